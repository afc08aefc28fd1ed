#include "ui/app/MenuBar.h"

#include "platform/window/WindowSystem.h"

using platform::WindowSystem;

MenuBar::~MenuBar() { Destroy(); }

bool MenuBar::Create(platform::Window* owner, int leftCommand, int rightCommand) {
    Destroy();
    if (!WindowSystem::Installed()) return false;
    window = WindowSystem::Current().CreateMenuBar(owner, leftCommand, rightCommand);
    return window != nullptr;
}

void MenuBar::Destroy() {
    if (window && WindowSystem::Installed()) WindowSystem::Current().DestroyWindow(window);
    window = nullptr;
}

void MenuBar::SetSoftKey(int index, const std::u16string& label, bool enabled) {
    if (window) WindowSystem::Current().SetSoftKey(window, index, label, enabled);
}

void MenuBar::EnableSoftKey(int index, bool enabled) {
    if (window) WindowSystem::Current().SetSoftKeyEnabled(window, index, enabled);
}

std::u16string MenuBar::GetLabel(int index) const { return window ? window->GetSoftKey(index).label : std::u16string(); }

bool MenuBar::IsEnabled(int index) const { return window && window->GetSoftKey(index).enabled; }
