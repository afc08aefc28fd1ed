#include "SceneHarness.h"

#include <chrono>
#include <functional>
#include <stdexcept>

#include "net/InetManager.h"
#include "ui/app/TreeQuery.h"

SceneHarness::SceneHarness(int width, int height) {
    std::lock_guard ui(UILock());
    root = shared_ptr<GObject>(new GObject());
    root->SetServer(this);
    root->SetSize(width, height);
    SetScreenSize(width, height);
}

SceneHarness::~SceneHarness() {
    InetManager::Instance().WaitIdle(std::chrono::seconds(30));
    std::lock_guard ui(UILock());
    while (!stack.empty()) PopScene();
    root->SetServer(nullptr);
    root = nullptr;
}

void SceneHarness::PushScene(const shared_ptr<Scene>& scene) {
    std::lock_guard ui(UILock());
    if (!stack.empty()) stack.back()->GetRoot()->SetVisible(false);
    stack.push_back(scene);
    shared_ptr<GObject> sceneRoot = scene->CreateRoot();
    sceneRoot->SetRect(Rect(0, 0, root->Width(), root->Height()));
    root->AddChild(sceneRoot);
    scene->UpdateMenuBar(sceneRoot);
    scene->OnShown();
}

void SceneHarness::PopScene() {
    std::lock_guard ui(UILock());
    if (stack.empty()) return;
    shared_ptr<Scene> top = stack.back();
    top->OnLeave();
    top->OnHide(top->GetRoot());
    top->OnRemoved(top->GetRoot());
    root->RemoveChild(top->GetRoot());
    stack.pop_back();
    ShowTop();
}

void SceneHarness::ShowTop() {
    if (stack.empty()) return;
    stack.back()->GetRoot()->SetVisible(true);
    stack.back()->UpdateMenuBar(stack.back()->GetRoot());
}

void SceneHarness::PopTo(Scene* target) {
    std::lock_guard ui(UILock());
    if (!target) return;
    while (!stack.empty() && stack.back().get() != target) PopScene();
}

void SceneHarness::ReturnToSignIn() {
    PlainAppServices::ReturnToSignIn();
    PopTo(signIn);
}

void SceneHarness::RebuildAllScenes() {
    std::lock_guard ui(UILock());
    for (auto& s : stack) s->Refresh();
}

PopupBox& SceneHarness::GetPopupBox() {
    // The screens under test report through the application services; none
    // of them opens a popup box directly.
    throw std::logic_error("the scene harness has no popup box");
}

bool SceneHarness::Paint(const Rect& r) {
    surface->PushClip(r);
    surface->SetOrigin(0, 0);
    surface->FillRect(r, 0xFFFF);
    root->DrawTree(*surface);
    surface->PopClip();
    return true;
}

bool SceneHarness::Settle() {
    const bool idle = InetManager::Instance().WaitIdle(std::chrono::seconds(30));
    std::lock_guard ui(UILock());
    for (int frame = 0; frame < 500 && AnimatorCount() > 0; ++frame) Tick(true, false);
    return idle && AnimatorCount() == 0;
}

GObject* SceneHarness::Find(const std::u16string& text) {
    std::lock_guard ui(UILock());
    return treequery::FindLabel(*root, text);
}

std::vector<std::u16string> SceneHarness::ShownTexts() {
    std::lock_guard ui(UILock());
    std::vector<std::u16string> texts;
    std::function<void(GObject&)> walk = [&](GObject& o) {
        std::u16string t;
        Rect area;
        if (treequery::LabelText(o, t) && !t.empty() && treequery::VisibleArea(o, area)) texts.push_back(t);
        for (const auto& c : o.Children()) walk(*c);
    };
    walk(*root);
    return texts;
}

bool SceneHarness::Tap(GObject* object) {
    std::lock_guard ui(UILock());
    Rect area;
    if (!object || !treequery::VisibleArea(*object, area)) return false;
    const int x = area.x + area.width / 2, y = area.y + area.height / 2;
    touch.Refill(Touch::Down, x, y, 0);
    DispatchTouch(*root, touch);
    touch.Refill(Touch::Up, x, y, 0);
    DispatchTouch(*root, touch);
    return true;
}

bool SceneHarness::Screenshot(const std::filesystem::path& file) {
    std::lock_guard ui(UILock());
    Invalidate();
    Tick(false, true);
    return surface->SavePng(file.u16string());
}
