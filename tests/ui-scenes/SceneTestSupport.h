#pragma once
#include <memory>
#include <string>
#include <vector>

#include "TempRoot.h"
#include "UiTestSupport.h"
#include "support/HeadlessScreen.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/PopupBox.h"
#include "ui/scenes/Scene.h"
#include "ui/scenes/SceneHost.h"

// The shell as the scenes see it: a real headless window with its soft-key
// bar, a drawing server, the popup box, and a record of every navigation
// call. Advertising can be switched on to see what covers it.
class TestHost : public SceneHost {
public:
    explicit TestHost(int width = 240, int height = 320) : screen(width, height), server(width, height) {
        auto& ws = platform::WindowSystem::Current();
        ws.RegisterClass({u"SceneTest", 0, &Proc});
        window = ws.CreateWindow(u"SceneTest", u"SceneTest", platform::WS_VISIBLE, {0, 0, width, height}, nullptr);
        softKeys.Create(window, 112, 113);
        server.Resize(width, height);
    }
    ~TestHost() override {
        popup.reset();
        stack.clear();
        softKeys.Destroy();
    }

    void PushScene(const shared_ptr<Scene>& scene) override {
        calls.push_back("push");
        stack.push_back(scene);
    }
    void PopScene() override {
        calls.push_back("pop");
        if (!stack.empty()) stack.pop_back();
    }
    void Back() override { calls.push_back("back"); }
    void ReturnToMainMenu() override { calls.push_back("main"); }
    void ReturnToSignIn() override { calls.push_back("signin"); }
    void SetMainMenuScene(Scene*) override {}
    bool HasMainMenu() const override { return mainMenuBelow; }
    void SetSignInScene(Scene*) override {}
    Scene* TopScene() const override { return stack.empty() ? nullptr : stack.back().get(); }
    void RebuildAllScenes() override {}
    void RefreshDataScenes() override { calls.push_back("refresh"); }
    void SetInputEnabled(bool) override {}
    void UpdateSoftKeys() override {
        if (Scene* top = TopScene()) top->UpdateMenuBar(top->GetRoot());
    }
    void SetSoftKeysAllowed(bool) override {}
    void EnableAdvertising() override {}
    void ShowAdvertising(bool show) override { advertising = show; }
    void ReloadAdvertising() override {}
    void CoverAdvertising(bool covered) override {
        calls.push_back(covered ? "cover" : "uncover");
        this->covered = covered;
    }
    bool IsAdvertisingVisible() const override { return advertising && !covered; }
    PopupBox& GetPopupBox() override { return *popup; }
    MenuBar& GetSoftKeys() override { return softKeys; }
    shared_ptr<GObject> GetUiRoot() const override { return server.GetRoot(); }

    // Runs every pending frame: animations finish, the screen is painted.
    void Settle(int frames = 40) {
        for (int i = 0; i < frames; ++i) server.Tick(true, true);
    }

    HeadlessScreen screen;
    RecordingServer server;
    platform::Window* window = nullptr;
    MenuBar softKeys;
    std::unique_ptr<PopupBox> popup{new PopupBox(*this)};
    std::vector<shared_ptr<Scene>> stack;
    std::vector<std::string> calls;
    bool mainMenuBelow = true;  // a page shown before sign-in has none
    bool advertising = false;
    bool covered = false;

private:
    static platform::LRESULT Proc(platform::Window* w, std::uint32_t msg, platform::WPARAM wp, platform::LPARAM lp) {
        return platform::WindowSystem::Current().DefWindowProc(w, msg, wp, lp);
    }
};
