#include "DemoApp.h"

#include "ui/app/InputManager.h"

using namespace platform;

DemoApp::~DemoApp() {
    std::lock_guard lock(uiLock);
    server.SetRoot(shared_ptr<GObject>());
    scene = nullptr;
}

void DemoApp::OnCreate(const CreateStruct& create) {
    Application::OnCreate(create);
    InputManager::Instance().SetApplication(this);
    CreateMenuBar();
    menuBar.SetSoftKey(0, u"Clear");
    menuBar.SetSoftKey(1, u"Spin");
}

void DemoApp::OnSize(int w, int h) {
    Application::OnSize(w, h);
    if (scene) scene->SetWindowSize(w, h);
}

bool DemoApp::OnCreateUi() {
    Application::OnCreateUi();
    auto& ws = WindowSystem::Current();
    if (options.windowWidth > 0) {
        WinRect r = window->Rect();
        ws.MoveWindow(window, {r.left, r.top, r.left + options.windowWidth, r.bottom}, true);
    } else {
        SetFullScreen(true);
    }
    scene = new DemoScene(width, height);
    scene->SetWindowSize(width, height);
    server.SetRoot(scene);
    return true;
}

void DemoApp::OnAlreadyRunning(WindowRef& running) {
    if (options.handOver >= 0) running.Send(kHandOverMessage, static_cast<WPARAM>(options.handOver), 0);
}

LRESULT DemoApp::WindowProc(Window* w, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == kHandOverMessage) {
        std::lock_guard lock(uiLock);
        if (scene) scene->SetHandOver(static_cast<long long>(wParam));
        return 1;
    }
    return Application::WindowProc(w, message, wParam, lParam);
}
