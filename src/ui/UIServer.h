#pragma once
#include <vector>

#include "base/shared_ptr.h"
#include "ui/Animator.h"
#include "ui/GObject.h"
#include "ui/KeyNavigator.h"
#include "ui/Rect.h"

// The bridge between the object tree and the window: it collects invalidated
// areas into one dirty rectangle, holds the focus and the key highlight, steps the running
// animators once per frame and repaints what is dirty. The platform-specific
// part (timer, surface, copying to the window) lives in subclasses.
class UIServer : public shared_object {
public:
    UIServer() : keys(*this) {}
    ~UIServer() override = default;
    virtual bool StartTimer() { return false; }
    virtual void StopTimer() {}
    virtual bool Paint(const Rect& /*rect*/) { return false; }
    virtual void Resize(int /*width*/, int /*height*/) {}
    virtual void OnApplicationClose() {}
    virtual void OnSuspend() {}
    virtual void OnResume() {}
    // Called when the focus is cleared: nothing is left to type into, so the
    // window's server takes the input panel away.
    virtual void OnFocusCleared() {}

    // The whole screen.
    void Invalidate();
    // `rect` in window coordinates; the part outside the screen is ignored.
    void Invalidate(const Rect& rect);
    const Rect& GetDirtyRect() const { return dirty; }

    // An animator added while the animators are being stepped starts at the
    // next frame; one added twice runs once per frame (see Animator).
    void AddAnimator(const shared_ptr<Animator>& animator);
    size_t AnimatorCount() const { return animators.size() + pendingAnimators.size(); }

    // The previous focus object loses its focus; the caller sets the new
    // object's own flag. Null clears the focus.
    void SetFocus(const shared_ptr<GObject>& object);
    void SetFocus(GObject* object) { SetFocus(shared_ptr<GObject>(object)); }
    const shared_ptr<GObject>& GetFocus() const { return focus; }

    // The key highlight, a state of its own beside the focus.
    KeyNavigator& Keys() { return keys; }
    const KeyNavigator& Keys() const { return keys; }

    // An object that lies over the bottom of every page (the close button of
    // the advertising strip): a scroll view under it lets its content go on
    // scrolling until nothing of it stays hidden there, and the keys show a
    // stop clear of it.
    void SetOverlay(const shared_ptr<GObject>& object) { overlay = object; }
    // Its rectangle on the screen while it shows; empty otherwise.
    Rect OverlayArea() const;

    const shared_ptr<GObject>& GetRoot() const { return root; }
    void SetRoot(const shared_ptr<GObject>& newRoot);
    void SetScreenSize(int width, int height);
    const Rect& GetScreen() const { return screen; }

    // One frame: step the animators (animate) and repaint the dirty area
    // (paint). Stops the timer when there was nothing to do.
    void Tick(bool animate, bool paint);

    void Suspend();
    void Resume();
    bool IsTimerRunning() const { return timerRunning; }

protected:
    void EnsureTimer();
    bool StepAnimators();

    bool paintSuspended = false;
    Rect dirty;
    Rect screen;
    std::vector<shared_ptr<Animator>> animators;
    std::vector<shared_ptr<Animator>> pendingAnimators;
    bool timerRunning = false;
    bool ticking = false;
    shared_ptr<GObject> root;
    shared_ptr<GObject> focus;
    shared_ptr<GObject> overlay;
    KeyNavigator keys;
};
