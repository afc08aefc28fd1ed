#include "ui/app/InputManager.h"

#include "platform/window/WindowSystem.h"

using platform::WindowSystem;

void InputManager::Show(int y, int height, int newMode) {
    if (visible) return;
    visible = true;
    mode = static_cast<std::uint8_t>(newMode);
    if (mode == 0) {
        Rect panel;
        if (WindowSystem::Installed()) {
            auto& ws = WindowSystem::Current();
            platform::WinRect r = ws.InputPanelRect();
            const int panelHeight = r.bottom - r.top;
            ws.SetInputPanel(true);
            panel = Rect(0, ws.ScreenHeight() - panelHeight, ws.ScreenWidth(), panelHeight);
        }
        shown.Invoke(y, height, panel);
        return;
    }
    Rect custom;
    customRequested.Invoke(custom);
    shown.Invoke(y, height, custom);
}

void InputManager::Hide() {
    if (!visible) return;
    visible = false;
    if (mode == 0) {
        if (WindowSystem::Installed()) WindowSystem::Current().SetInputPanel(false);
        hidden.Invoke();
        return;
    }
    customHidden.Invoke();
    hidden.Invoke();
}
