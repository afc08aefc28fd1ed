#include "ClusterScript.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace catalogd::test {

namespace {

// The script's exit status when the server programs are not installed.
constexpr int kMissingPrograms = 3;

Captured RunScript(const std::vector<std::string>& args) {
    std::vector<std::string> command = {"CLUSTER_OWNER=" + std::to_string(getpid()),
                                        std::string("CATALOGD=") + CATALOGD_EXE, "bash", CLUSTER_SCRIPT};
    command.insert(command.end(), args.begin(), args.end());
    return RunCaptured("env", command, "", std::chrono::seconds(600));
}

}  // namespace

ClusterScript::Result ClusterScript::Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, dir.Path().string());
    used = true;
    Captured run = RunScript(args);
    Result r;
    r.status = run.exitCode;
    r.missingPrograms = r.status == kMissingPrograms;
    r.out = run.out + run.err;
    // The script prints what it started last, on standard output.
    std::string trimmed = run.out.substr(0, run.out.find_last_not_of('\n') + 1);
    r.lastLine = trimmed.substr(trimmed.rfind('\n') + 1);
    return r;
}

void ClusterScript::Stop() {
    if (!used) return;
    used = false;
    Captured run = RunScript({"stop", dir.Path().string()});
    if (run.exitCode != 0) ADD_FAILURE() << "stopping the cluster failed: " << run.out << run.err;
}

std::vector<std::string> ClusterScript::Lines(const std::string& name) const {
    std::vector<std::string> lines;
    std::ifstream in(dir.Path() / name);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace catalogd::test
