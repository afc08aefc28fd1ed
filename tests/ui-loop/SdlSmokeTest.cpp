#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "DemoApp.h"
#include "support/DemoProcess.h"
#include "platform/device/DeviceRoot.h"
#include "platform/window/ScreenShot.h"
#include "platform/window/SdlWindowSystem.h"
#include "ui/app/LoopMain.h"
#include "ui/app/TreeQuery.h"

extern char** environ;

// The X server and the graphics stack keep a few allocations for the life of
// the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libX11\nleak:libxcb\nleak:libSDL2\nleak:libdbus\nleak:libGLX\nleak:libGL\nleak:libEGL\n"
           "leak:dri\nleak:libLLVM\nleak:libXi\nleak:libXrandr\nleak:libXcursor\nleak:libXext\nleak:libXinerama\n"
           "leak:libXss\nleak:libXxf86vm\nleak:libXfixes\nleak:libxkbcommon\n";
}

namespace {

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        auto candidate = std::filesystem::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

// A private X server for the test, on a display number it picks itself.
class VirtualDisplay {
public:
    bool Start(const std::string& program) {
        int fds[2];
        if (::pipe(fds) != 0) return false;
        ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args{program, "-displayfd", fd, "-screen", "0", "800x600x24", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const bool spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (!spawned) {
            ::close(fds[0]);
            pid = -1;
            return false;
        }
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (::poll(&p, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) return false;
        display = ":" + number;
        return true;
    }
    ~VirtualDisplay() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
    std::string display;

private:
    pid_t pid = -1;
};

void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

SDL_Event Mouse(std::uint32_t type, std::uint32_t window, int x, int y) {
    SDL_Event e{};
    e.type = type;
    e.button.windowID = window;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    return e;
}

void Click(std::uint32_t window, int x, int y) {
    Push(Mouse(SDL_MOUSEBUTTONDOWN, window, x, y));
    Push(Mouse(SDL_MOUSEBUTTONUP, window, x, y));
}

void Close(std::uint32_t window) {
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = window;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    Push(close);
}

}  // namespace

TEST(SdlWindow, OpensTakesATapAndTextAndClosesThroughTheDestroyPath) {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed";
    VirtualDisplay x;
    ASSERT_TRUE(x.Start(xvfb)) << "Xvfb did not start";
    ::setenv("DISPLAY", x.display.c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    // SDL loads and unloads the X extension and message-bus libraries
    // itself; kept loaded, the allocations they leave behind can be told
    // apart from ours.
    for (const char* lib : {"libdbus-1.so.3", "libXcursor.so.1", "libXinerama.so.1", "libXi.so.6", "libXrandr.so.2",
                            "libXss.so.1", "libXxf86vm.so.1", "libXext.so.6", "libXfixes.so.3", "libxkbcommon.so.0"})
        ::dlopen(lib, RTLD_NOW | RTLD_NODELETE);

    DemoDevice device(240, 320);
    LoopOptions options;
    options.deviceRoot = device.Root().string();
    options.scale = 2;
    std::string error;
    ASSERT_TRUE(StartLoop(options, &error)) << error;
    auto& sdl = dynamic_cast<platform::SdlWindowSystem&>(platform::WindowSystem::Current());
    {
        DemoApp app({});
        ASSERT_TRUE(app.Init(u"VeltraDemoSdl"));
        const std::uint32_t id = sdl.DesktopWindowId();
        ASSERT_NE(id, 0u);
        // The unit is 10 device pixels, doubled on the desktop: Red's centre
        // is (40, 60), the text box's (120, 122).
        Click(id, 80, 120);
        Click(id, 240, 244);
        SDL_Event text{};
        text.type = SDL_TEXTINPUT;
        text.text.windowID = id;
        std::strcpy(text.text.text, "Жx");
        Push(text);
        Close(id);

        // Before the loop runs: the first frame and the soft keys, as shown.
        std::vector<std::uint16_t> desktop;
        int w = 0, h = 0;
        {
            platform::Message m;
            while (!sdl.FramesPresented() && platform::WindowSystem::Current().GetMessage(m))
                platform::WindowSystem::Current().DispatchMessage(m);
        }
        ASSERT_TRUE(sdl.ReadDesktop(desktop, w, h));
        if (const char* keep = std::getenv("VELTRA_SDL_SHOT"))
            platform::WriteScreenPng(keep, desktop.data(), w, h);
        ASSERT_EQ(w, 480);
        ASSERT_EQ(h, (320 + 26) * 2);
        const auto& screen = sdl.Screen();
        int wrong = 0;
        for (int y = 0; y < 320; ++y)
            for (int x2 = 0; x2 < 240; ++x2)
                if (desktop[static_cast<std::size_t>(2 * y + 1) * w + 2 * x2 + 1] != screen[y * 240 + x2]) ++wrong;
        EXPECT_EQ(wrong, 0);
        // The left label is drawn in the strip under the screen.
        int labelPixels = 0;
        for (int y = 640; y < h; ++y)
            for (int x2 = 0; x2 < w / 2; ++x2)
                if (desktop[static_cast<std::size_t>(y) * w + x2] != desktop[static_cast<std::size_t>(640) * w]) ++labelPixels;
        EXPECT_GT(labelPixels, 50);

        EXPECT_EQ(app.Run(), 0);
        EXPECT_FALSE(platform::WindowSystem::Current().IsWindow(app.GetWindow()));
        EXPECT_GT(sdl.FramesPresented(), 0u);
        ASSERT_TRUE(app.Scene());
        EXPECT_NE(treequery::FindLabel(*app.Scene(), u"Clicks: 1 0 0"), nullptr);
        EXPECT_EQ(app.Scene()->TextBox()->GetText(), u"Жx");
    }
    StopLoop();

    // Without a touch screen a click on the screen is no tap, as a finger on
    // a Smartphone's display; the strip under it still stands for the keys.
    DemoDevice keypad(240, 320, "Smartphone");
    auto root = platform::DeviceRoot::Open(keypad.Root());
    ASSERT_TRUE(root);
    root->MutableInfo().touch = false;
    ASSERT_TRUE(root->Save());
    options.deviceRoot = keypad.Root().string();
    ASSERT_TRUE(StartLoop(options, &error)) << error;
    {
        auto& keysOnly = dynamic_cast<platform::SdlWindowSystem&>(platform::WindowSystem::Current());
        DemoApp app({});
        ASSERT_TRUE(app.Init(u"VeltraDemoSdlKeys"));
        const std::uint32_t id = keysOnly.DesktopWindowId();
        Click(id, 80, 120);
        Click(id, 20, 2 * 320 + 20);
        Close(id);
        EXPECT_EQ(app.Run(), 0);
        ASSERT_TRUE(app.Scene());
        EXPECT_NE(treequery::FindLabel(*app.Scene(), u"Clicks: 0 0 0"), nullptr);
        EXPECT_NE(treequery::FindLabel(*app.Scene(), u"Soft keys: 1"), nullptr);
    }
    StopLoop();
}
