// How long the store takes from the start of its process to the first frame
// of the sign-in screen, headless: texts, settings, the application manager's
// scan, the skin images and the first paint.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

int Spawn(std::vector<std::string> args, int stdoutFd) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

bool Wait(int pid) {
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A wm65-vga device with the store's program files, made once per run.
std::filesystem::path BenchDevice() {
    static const std::filesystem::path root = [] {
        auto r = std::filesystem::temp_directory_path() / ("tobrix-start-bench-" + std::to_string(::getpid()));
        std::filesystem::remove_all(r);
        const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        Wait(Spawn({DEVICECTL_PATH, "create", r.string(), "--profile", "wm65-vga", "--with-store"}, devnull));
        ::close(devnull);
        std::ofstream(r / "script.txt") << "dump-tree /dev/stdout\nquit\n";
        return r;
    }();
    return root;
}

// From the spawn to the first byte of the tree dump, which the script asks
// for as soon as the sign-in screen's first frame is on the screen.
void StartToSignInFrame(benchmark::State& state) {
    const auto root = BenchDevice();
    if (!std::filesystem::exists(root / "device.json")) return state.SkipWithError("devicectl failed");
    for (auto _ : state) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return state.SkipWithError("pipe");
        const auto start = std::chrono::steady_clock::now();
        const int pid = Spawn({TOBRIX_PATH, "--headless", "--device-root", root.string(), "--script",
                               (root / "script.txt").string()},
                              out[1]);
        ::close(out[1]);
        if (pid < 0) return state.SkipWithError("cannot start tobrix");
        char c;
        pollfd p{out[0], POLLIN, 0};
        const bool got = ::poll(&p, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1;
        const auto first = std::chrono::steady_clock::now();
        char sink[4096];
        while (::read(out[0], sink, sizeof sink) > 0) {
        }
        ::close(out[0]);
        if (!Wait(pid) || !got) return state.SkipWithError("tobrix failed");
        state.SetIterationTime(std::chrono::duration<double>(first - start).count());
    }
}
BENCHMARK(StartToSignInFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
