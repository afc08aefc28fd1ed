#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>

#include "DemoApp.h"
#include "support/DemoProcess.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "platform/window/ScreenShot.h"
#include "platform/window/SdlWindowSystem.h"
#include "ui/app/LoopMain.h"
#include "ui/app/TreeQuery.h"

// The X server and the graphics stack keep a few allocations for the life of
// the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libX11\nleak:libxcb\nleak:libSDL2\nleak:libdbus\nleak:libGLX\nleak:libGL\nleak:libEGL\n"
           "leak:dri\nleak:libLLVM\nleak:libXi\nleak:libXrandr\nleak:libXcursor\nleak:libXext\nleak:libXinerama\n"
           "leak:libXss\nleak:libXxf86vm\nleak:libXfixes\nleak:libxkbcommon\n";
}

namespace {

// A private X server for the test, on a display number it picks itself and
// writes to its standard output.
class VirtualDisplay {
public:
    VirtualDisplay() : out(std::filesystem::temp_directory_path() / ("xvfb-" + std::to_string(::getpid()))) {
        platform::SpawnOptions options;
        options.searchPath = true;
        options.stdoutFile = out;
        options.stderrFile = "/dev/null";
        server = platform::SpawnHost("Xvfb", {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"},
                                     options);
        if (server && Eventually([&] { return ReadAll(out).find('\n') != std::string::npos; }, std::chrono::seconds(10)))
            display = ":" + ReadAll(out).substr(0, ReadAll(out).find('\n'));
    }
    ~VirtualDisplay() {
        if (server) {
            ::kill(server->Id(), SIGTERM);
            server->Wait();
        }
        std::filesystem::remove(out);
    }
    std::optional<platform::Process> server;
    std::string display;

private:
    std::filesystem::path out;
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
    VirtualDisplay x;
    if (!x.server) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
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
