// The command-line manners every program of the repository shares: --help
// prints a usage on standard output and exits 0; an option nobody defined is
// an error, not a file name, and leaves nothing behind.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace {

struct Program {
    const char* name;
    const char* path;
};

void PrintTo(const Program& p, std::ostream* os) { *os << p.name; }

const Program kPrograms[] = {
#include "Programs.inc"
};

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the program in `dir` with no standard input, so that one waiting for
// a script or a document ends at once instead of hanging.
Outcome RunIn(const std::filesystem::path& dir, const char* path, const std::vector<std::string>& args) {
    std::vector<std::string> all{path};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto out = dir.parent_path() / "out.txt", err = dir.parent_path() / "err.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = -1;
    Outcome run;
    const int spawned = posix_spawn(&pid, path, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = Slurp(out);
    run.err = Slurp(err);
    return run;
}

class ProgramOptions : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        base = std::filesystem::temp_directory_path() /
               ("tobrix-options-" + std::to_string(::getpid()) + "-" + GetParam().name);
        work = base / "cwd";
        std::filesystem::create_directories(work);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(base, ec);
    }
    bool WorkFolderEmpty() const { return std::filesystem::is_empty(work); }

    std::filesystem::path base, work;
};

TEST_P(ProgramOptions, HelpPrintsUsageOnStandardOutputAndExitsZero) {
    for (const char* help : {"--help", "-h"}) {
        Outcome run = RunIn(work, GetParam().path, {help});
        EXPECT_EQ(run.exitCode, 0) << help << "\n" << run.err;
        EXPECT_NE(run.out.find("sage"), std::string::npos) << help << " printed: " << run.out;
        EXPECT_TRUE(WorkFolderEmpty()) << help << " made a file";
    }
}

TEST_P(ProgramOptions, AnUnknownOptionIsAnErrorThatMakesNothing) {
    Outcome run = RunIn(work, GetParam().path, {"--no-such-option"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.exitCode, -1) << "did not start or did not exit";
    // Programs with subcommands may complain about the missing subcommand
    // first; either way the error is said on standard error.
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(WorkFolderEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryProgram, ProgramOptions, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
