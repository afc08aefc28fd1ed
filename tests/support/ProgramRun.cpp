#include "support/ProgramRun.h"

#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

#include "platform/process/Process.h"

::testing::AssertionResult Succeeded(const ProgramRun& run) {
    if (run.exitCode == 0) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    if (run.exitCode == -2)
        failure << "killed after the time limit";
    else
        failure << "exit code " << run.exitCode;
    return failure << "\n" << run.errors;
}

int WaitForExit(pid_t& pid, std::chrono::seconds limit) {
    if (pid <= 0) return -1;
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() > until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Eventually(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

int NextScratchNumber() {
    static std::atomic<int> counter{0};
    return ++counter;
}

std::filesystem::path ScratchPath(const std::string& prefix) {
    return std::filesystem::temp_directory_path() /
           (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(NextScratchNumber()));
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Captured RunCaptured(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                     std::chrono::seconds limit) {
    const std::filesystem::path stem = ScratchPath("tobrix-run");
    platform::SpawnOptions options;
    options.searchPath = program.find('/') == std::string::npos;
    options.stdinFile = stem.string() + ".in";
    std::ofstream(*options.stdinFile, std::ios::binary) << input;
    options.stdoutFile = stem.string() + ".out";
    options.stderrFile = stem.string() + ".err";
    Captured run;
    if (auto child = platform::SpawnHost(program, args, options)) {
        pid_t pid = child->Id();
        run.exitCode = WaitForExit(pid, limit);
    }
    run.out = ReadAll(*options.stdoutFile);
    run.err = ReadAll(*options.stderrFile);
    std::error_code ec;
    std::filesystem::remove(*options.stdinFile, ec);
    std::filesystem::remove(*options.stdoutFile, ec);
    std::filesystem::remove(*options.stderrFile, ec);
    return run;
}
