// The application loop's own costs: how many full-screen frames the
// headless loop turns out per second (animation step, paint of the whole
// screen, copy to the window), and how long a program takes from its start
// to its first frame on screen.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "DemoApp.h"
#include "platform/device/DeviceRoot.h"
#include "platform/window/HeadlessWindowSystem.h"
#include "ui/StateAnimator.h"
#include "ui/StatesChain.h"
#include "ui/app/ScriptRunner.h"

extern char** environ;

namespace {

constexpr int kWidth = 480, kHeight = 640, kFrames = 200;

// A full-screen veil over the demo that fades in and out: every frame
// blends the whole screen.
class Veil : public GObject {
public:
    void Draw(Surface& s) override {
        GObject::Draw(s);
        s.FillColor(Rect(0, 0, Width(), Height()), 20, 40, 160, GetTransparency());
    }
};

class FadingApp : public DemoApp {
public:
    FadingApp() : DemoApp({}) {}
    bool OnCreateUi() override {
        DemoApp::OnCreateUi();
        veil = new Veil();
        veil->SetRect(Rect(0, 0, width, height));
        veil->SetTransparency(1);
        Scene()->AddChild(veil);
        // A tap anywhere starts the fade.
        SubscribeFn(veil->Touched(), [this](shared_ptr<GObject>&, const Touch& t) {
            if (t.type == Touch::Click) Fade();
        });
        return true;
    }
    void Fade() {
        shared_ptr<ComplexStatesChain<int>> chain(new ComplexStatesChain<int>(
            shared_ptr<Interpolator<int>>(new LinearInterpolator<int>()),
            shared_ptr<Property<int>>(new TransparencyProperty(veil))));
        chain->SetKey(kFrames / 2, 250);
        chain->SetKey(kFrames, 2);
        veil->StartAnimator(shared_ptr<Animator>(new StateAnimator(chain, StateAnimator::LastState)));
    }
    shared_ptr<GObject> veil;
};

void FullScreenAnimation(benchmark::State& state) {
    platform::ScreenMetrics m;
    m.width = kWidth;
    m.height = kHeight;
    std::uint64_t frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        platform::WindowSystem::Install(std::make_unique<platform::HeadlessWindowSystem>(m));
        auto& ws = static_cast<platform::HeadlessWindowSystem&>(platform::WindowSystem::Current());
        auto app = std::make_unique<FadingApp>();
        app->Init(u"FadeBench");
        std::istringstream script("tap 240 600\nwait-idle 60\nquit\n");
        ScriptRunner runner(*app, ws, &script);
        const auto before = ws.FramesPresented();
        state.ResumeTiming();
        app->Run();
        state.PauseTiming();
        frames += ws.FramesPresented() - before;
        if (runner.Failed()) state.SkipWithError(runner.Error().c_str());
        app.reset();
        platform::WindowSystem::Uninstall();
        state.ResumeTiming();
    }
    state.counters["frames_per_second"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["frames_per_run"] = static_cast<double>(frames) / static_cast<double>(state.iterations());
}
BENCHMARK(FullScreenAnimation)->Unit(benchmark::kMillisecond)->UseRealTime();

std::filesystem::path BenchDevice() {
    static const std::filesystem::path root = [] {
        auto r = std::filesystem::temp_directory_path() / ("ui-loop-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(r);
        platform::DeviceInfo info;
        info.screenWidth = kWidth;
        info.screenHeight = kHeight;
        platform::DeviceRoot(r, info).Save();
        std::ofstream(r / "script.txt") << "dump-tree /dev/stdout\nquit\n";
        return r;
    }();
    return root;
}

// From the spawn to the first byte of the tree dump, which the script asks
// for as soon as the first frame is on the screen.
void StartToFirstFrame(benchmark::State& state) {
    const auto root = BenchDevice();
    std::vector<std::string> args{DEMO_PROGRAM, "--headless", "--device-root", root.string(), "--script",
                                  (root / "script.txt").string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return state.SkipWithError("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, DEMO_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (spawned != 0) return state.SkipWithError("cannot start the demo");
        char c;
        pollfd p{out[0], POLLIN, 0};
        const bool got = ::poll(&p, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1;
        const auto first = std::chrono::steady_clock::now();
        char sink[4096];
        while (::read(out[0], sink, sizeof sink) > 0) {
        }
        ::close(out[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return state.SkipWithError("the demo failed");
        state.SetIterationTime(std::chrono::duration<double>(first - start).count());
    }
}
BENCHMARK(StartToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
