#pragma once
#include <string>

#include "platform/window/Window.h"

// The soft-key menu bar of the application window: two labelled keys whose
// presses arrive as WM_COMMAND with the application's soft-key command ids.
// Destroying the object destroys its window.
class MenuBar {
public:
    MenuBar() = default;
    virtual ~MenuBar();
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    bool Create(platform::Window* owner, int leftCommand, int rightCommand);
    void Destroy();
    bool Exists() const { return window != nullptr; }
    platform::Window* GetWindow() const { return window; }

    // index 0 is the left key, 1 the right one.
    void SetSoftKey(int index, const std::u16string& label, bool enabled = true);
    void EnableSoftKey(int index, bool enabled);
    std::u16string GetLabel(int index) const;
    bool IsEnabled(int index) const;

private:
    platform::Window* window = nullptr;
};
