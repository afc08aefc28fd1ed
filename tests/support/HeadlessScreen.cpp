#include "support/HeadlessScreen.h"

#include <memory>

using platform::HeadlessWindowSystem;

HeadlessScreen::HeadlessScreen(int width, int height, int dpi) {
    platform::ScreenMetrics m;
    m.width = width;
    m.height = height;
    m.dpi = dpi;
    platform::WindowSystem::Install(std::make_unique<HeadlessWindowSystem>(m));
}

HeadlessScreen::~HeadlessScreen() {
    platform::WindowSystem::Uninstall();
}

HeadlessWindowSystem& HeadlessScreen::Windows() {
    return static_cast<HeadlessWindowSystem&>(platform::WindowSystem::Current());
}

int HeadlessScreen::RunUntilIdle(platform::Window* window, const std::function<bool()>& busy,
                                 std::uintptr_t countedTimer) {
    auto& ws = Windows();
    int ticks = 0;
    bool idle = false;
    ws.SetIdleHandler([&] {
        if (busy && busy()) return HeadlessWindowSystem::IdleResult{};
        // The marker message ends the run once everything before it has been
        // handled.
        idle = true;
        ws.PostMessage(window, platform::WM_NULL, 0, 0);
        return HeadlessWindowSystem::IdleResult{true, {}};
    });
    platform::Message m;
    while (ws.GetMessage(m)) {
        if (idle && m.message == platform::WM_NULL) break;
        if (countedTimer && m.message == platform::WM_TIMER && m.wParam == countedTimer) ++ticks;
        ws.TranslateMessage(m);
        ws.DispatchMessage(m);
    }
    ws.SetIdleHandler(nullptr);
    return ticks;
}
