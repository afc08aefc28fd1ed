#include "ui/app/WindowsMobileUIServer.h"

#include "platform/window/WindowSystem.h"
#include "ui/WMSurface.h"
#include "ui/app/AnimatorKinds.h"
#include "ui/app/InputManager.h"

using platform::WindowSystem;

bool WindowsMobileUIServer::StartTimer() {
    if (!window || !WindowSystem::Installed()) return false;
    return WindowSystem::Current().SetTimer(window, kFrameTimer, kFramePeriod);
}

void WindowsMobileUIServer::StopTimer() {
    if (window && WindowSystem::Installed()) WindowSystem::Current().KillTimer(window, kFrameTimer);
}

void WindowsMobileUIServer::Resize(int width, int height) {
    shared_ptr<Surface> s(new WMSurface());
    s->Create(width, height, false);
    surface = s;
}

bool WindowsMobileUIServer::Paint(const Rect& rect) {
    if (!surface || surface->IsEmpty() || !window || !WindowSystem::Installed()) return false;
    surface->PushClip(rect);
    surface->SetOrigin(0, 0);
    surface->FillRect(rect, 0xFFFF);
    if (root) {
        shared_ptr<GObject> keep = root;
        keep->DrawTree(*surface);
    }
    surface->PopClip();
    surface->EndGdi();
    const platform::WinRect r{rect.x, rect.y, rect.Right(), rect.Bottom()};
    WindowSystem::Current().Present(window, surface->Pixels(), surface->Width(), r);
    return true;
}

void WindowsMobileUIServer::OnFrameTimer() {
    Tick(true, false);
    if (dirty.IsEmpty() || !window || !WindowSystem::Installed()) return;
    const platform::WinRect r{dirty.x, dirty.y, dirty.Right(), dirty.Bottom()};
    WindowSystem::Current().InvalidateRect(window, &r, false);
}

bool WindowsMobileUIServer::DispatchKey(const Key& key) {
    shared_ptr<GObject> target = focus ? focus : root;
    if (!target) return false;
    return target->ProcessKey(key);
}

bool WindowsMobileUIServer::IsSettled() const {
    if (!dirty.IsEmpty()) return false;
    for (const auto* list : {&animators, &pendingAnimators})
        for (const auto& a : *list)
            if (!IsEndless(*a)) return false;
    return true;
}

void WindowsMobileUIServer::OnFocusCleared() { InputManager::Instance().Hide(); }
