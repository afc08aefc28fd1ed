#pragma once
#include "platform/window/Window.h"
#include "ui/Key.h"
#include "ui/Surface.h"
#include "ui/UIServer.h"

// The UI server of the application window: the frame timer is window timer
// 3631 at 40 ms, frames are drawn into a 16-bit off-screen surface of the
// window's size and only the dirty rectangle is copied to the window.
class WindowsMobileUIServer : public UIServer {
public:
    static constexpr std::uintptr_t kFrameTimer = 3631;
    static constexpr unsigned kFramePeriod = 40;

    bool StartTimer() override;
    void StopTimer() override;
    bool Paint(const Rect& rect) override;
    void Resize(int width, int height) override;
    void OnFocusCleared() override;

    void SetWindow(platform::Window* w) { window = w; }
    platform::Window* GetWindow() const { return window; }
    const shared_ptr<Surface>& GetSurface() const { return surface; }
    const shared_ptr<Surface>& GetBackground() const { return background; }
    void SetBackground(const shared_ptr<Surface>& s) { background = s; }

    // The frame timer's tick: step the animators, then ask the window to
    // repaint what became dirty (the paint message draws it).
    void OnFrameTimer();
    // To the focused object if there is one, else to the root.
    bool DispatchKey(const Key& key);
    // Nothing dirty and no animator that will ever finish on its own still
    // running: what a script waits for.
    bool IsSettled() const;
    bool IsPaintSuspended() const { return paintSuspended; }
    std::size_t RunningAnimators() const { return animators.size() + pendingAnimators.size(); }

private:
    platform::Window* window = nullptr;
    shared_ptr<Surface> background;
    shared_ptr<Surface> surface;
};
