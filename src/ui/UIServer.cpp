#include "ui/UIServer.h"

void UIServer::EnsureTimer() {
    if (!timerRunning) timerRunning = StartTimer();
}

void UIServer::Invalidate() {
    dirty = screen;
    EnsureTimer();
}

void UIServer::Invalidate(const Rect& rect) {
    Rect part = rect.Intersect(screen);
    if (part.IsEmpty()) return;
    Rect grown = dirty.Union(part);
    if (grown == dirty) return;
    dirty = grown;
    EnsureTimer();
}

void UIServer::AddAnimator(const shared_ptr<Animator>& animator) {
    if (!animator) return;
    animator->Attach();
    (ticking ? pendingAnimators : animators).push_back(animator);
    EnsureTimer();
}

void UIServer::SetFocus(const shared_ptr<GObject>& object) {
    shared_ptr<GObject> previous = focus;
    focus = object;
    if (previous && previous != object) previous->SetFocused(false);
    if (!object) OnFocusCleared();
}

void UIServer::SetRoot(const shared_ptr<GObject>& newRoot) {
    if (root) root->SetServer(nullptr);
    root = newRoot;
    if (root) {
        root->SetServer(this);
        if (!screen.IsEmpty()) root->SetSize(screen.width, screen.height);
    }
    Invalidate();
}

Rect UIServer::OverlayArea() const {
    for (const GObject* o = overlay.get(); o; o = o->Parent())
        if (!o->IsVisible()) return Rect();
    return overlay && overlay->GetServer() == this ? overlay->GetScreenRect() : Rect();
}

void UIServer::SetScreenSize(int width, int height) {
    screen = Rect(0, 0, width, height);
    dirty = screen;
    timerRunning = StartTimer();
    Resize(width, height);
    if (root) root->SetSize(width, height);
}

bool UIServer::StepAnimators() {
    bool any = !animators.empty();
    ticking = true;
    for (size_t i = 0; i < animators.size();) {
        shared_ptr<Animator> a = animators[i];
        if (a->Tick()) {
            ++i;
        } else {
            a->Detach();
            animators.erase(animators.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    ticking = false;
    animators.insert(animators.end(), pendingAnimators.begin(), pendingAnimators.end());
    pendingAnimators.clear();
    return any;
}

void UIServer::Tick(bool animate, bool paint) {
    bool worked = false;
    if (animate) worked = StepAnimators();
    // A highlight that lost its object is put back before the frame shows.
    if (paint && !paintSuspended) keys.Resolve();
    if (paint && !paintSuspended && !dirty.IsEmpty()) {
        worked = true;
        if (Paint(dirty)) dirty = Rect();
    }
    if (!worked && animators.empty() && dirty.IsEmpty() && timerRunning) {
        StopTimer();
        timerRunning = false;
    }
}

void UIServer::Suspend() {
    OnSuspend();
    paintSuspended = true;
}

void UIServer::Resume() {
    OnResume();
    paintSuspended = false;
}
