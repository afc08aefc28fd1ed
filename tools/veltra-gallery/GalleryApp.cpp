#include "GalleryApp.h"

#include "ui/app/InputManager.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/scenes/SingleLayout.h"

GalleryApp::~GalleryApp() {
    std::lock_guard lock(uiLock);
    popup.reset();
    server.SetRoot(shared_ptr<GObject>());
    container = nullptr;
    switcher = nullptr;
    pages.clear();
}

void GalleryApp::OnCreate(const platform::CreateStruct& create) {
    Application::OnCreate(create);
    InputManager::Instance().SetApplication(this);
    CreateMenuBar();
}

bool GalleryApp::OnCreateUi() {
    Application::OnCreateUi();
    SetFullScreen(true);
    popup = std::make_unique<PopupBox>(*this);
    shared_ptr<GObject> root(new GObject());
    root->SetSize(width, height);
    container = shared_ptr<GObject>(new GObject());
    root->AddChild(container);
    root->SetLayout(shared_ptr<Layout>(new SingleLayout(SingleLayout::Start, SingleLayout::Start, true)));
    server.SetRoot(root);
    switcher = new MultiSceneLayout(this, 0);
    Subscribe(switcher->SlideEnded(), this, &GalleryApp::OnSlideEnded);
    pages = gallery::AllPages(this);
    for (const auto& page : pages) container->AddChild(page->CreateRoot());
    container->SetLayout(switcher);
    ShowPage(0);
    return true;
}

void GalleryApp::OnSize(int w, int h) {
    Application::OnSize(w, h);
    if (const shared_ptr<GObject>& root = server.GetRoot()) root->SetSize(w, h);
}

void GalleryApp::OnKeyDown(int virtualKey) {
    if (virtualKey == platform::VK_F1 || virtualKey == platform::VK_F2) {
        const bool left = virtualKey == platform::VK_F1;
        if (popup && popup->IsOpen()) {
            popup->OnSoftKey(left);
            return;
        }
        Turn(left ? -1 : 1);
        return;
    }
    Application::OnKeyDown(virtualKey);
}

Scene* GalleryApp::TopScene() const {
    return current < static_cast<int>(pages.size()) ? pages[static_cast<size_t>(current)].get() : nullptr;
}

void GalleryApp::RebuildAllScenes() {
    for (const auto& page : pages) page->Refresh();
}

void GalleryApp::SetInputEnabled(bool enabled) {
    if (container) container->SetTouchEnabled(enabled);
}

void GalleryApp::UpdateSoftKeys() {
    if (Scene* top = TopScene()) top->UpdateMenuBar(top->GetRoot());
}

void GalleryApp::Turn(int step) {
    const int next = current + step;
    if (next < 0 || next >= static_cast<int>(pages.size())) return;
    ShowPage(next);
}

void GalleryApp::ShowPage(int index) {
    current = index;
    SetInputEnabled(false);  // no taps while the pages slide
    pages[static_cast<size_t>(index)]->UpdateMenuBar(pages[static_cast<size_t>(index)]->GetRoot());
    switcher->ShowIndex(index, true);
}

void GalleryApp::OnSlideEnded() {
    SetInputEnabled(true);
    if (Scene* top = TopScene()) top->OnShown();
}
