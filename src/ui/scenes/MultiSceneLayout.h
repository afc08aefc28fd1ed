#pragma once
#include "base/Delegate.h"
#include "ui/Layout.h"
#include "ui/StatesChain.h"

class SceneHost;

// The scene container's layout: every child (a scene root) is as large as
// the container and they sit side by side, the current one at x = 0, the
// others off-screen to the left and right. Changing the current index with
// an animated re-layout slides them all together in lockstep.
//
// SlideEnded fires once per ShowIndex: when an animated slide reaches its
// end, when a slide is cut short by another layout pass, and right after a
// jump. The shell waits for it to call OnShown and to open input again.
class MultiSceneLayout : public Layout {
public:
    static constexpr int kSlideFrames = 6;

    // `host` (may be null) tells whether the advertising strip is showing;
    // while it is, the bottom `stripHeight` pixels are left to it.
    MultiSceneLayout(const SceneHost* host, int stripHeight) : host(host), stripHeight(stripHeight) {}
    ~MultiSceneLayout() override;

    void Apply(GObject* owner, int reason) override;
    void ShowIndex(int index, bool animated);
    int GetIndex() const { return current; }
    bool IsSliding() const { return slide != nullptr; }
    Delegation_0& SlideEnded() { return slideEnded; }

private:
    void StartSlide(GObject* owner);
    void StopSlide();
    void OnSlideState(StatesChain* chain, int oldState, int newState, int count);
    void EndSlide();

    const SceneHost* host;
    int stripHeight;
    int current = 0;
    bool slidePending = false;  // a ShowIndex whose SlideEnded has not fired yet
    shared_ptr<ParallelStatesChain> slide;
    Delegation_0 slideEnded;
};
