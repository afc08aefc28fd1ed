#include "platform/window/Window.h"

#include "platform/window/WindowSystem.h"

namespace platform {

LRESULT Window::Send(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    return WindowSystem::Current().SendMessage(this, message, wParam, lParam);
}

bool Window::Post(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    return WindowSystem::Current().PostMessage(this, message, wParam, lParam);
}

bool Window::Activate() {
    auto& ws = WindowSystem::Current();
    return ws.RunOnUIThread([&ws, this]() -> LRESULT {
        ws.ShowWindow(this, true);
        ws.UpdateWindow(this);
        return ws.SetForegroundWindow(this);
    }) != 0;
}

}  // namespace platform
