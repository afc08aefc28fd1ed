#include "shell/KestrumApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "support/HeadlessScreen.h"
#include "support/StoreRun.h"
#include "core/Kestrum.h"
#include "platform/device/DeviceRoot.h"
#include "shell/Loading.h"
#include "shell/ProgramFolder.h"
#include "screens/LoginScene.h"
#include "screens/AppDetailsScene.h"
#include "ui/scenes/PopupBox.h"
#include "ui/scenes/Scene.h"

using namespace platform;

namespace {

// A screen that records which of its hooks ran, in order.
class ProbeScene : public Scene {
public:
    ProbeScene(SceneHost* host, std::string name, std::vector<std::string>* log) : Scene(host), name(std::move(name)), log(log) {}
    void Build(const shared_ptr<GObject>& root) override {
        shared_ptr<GObject> body(new GObject());
        root->AddChild(body, -91);
        Record("build");
    }
    void UpdateMenuBar(const shared_ptr<GObject>& root) override {
        Scene::UpdateMenuBar(root);
        Record("menu");
    }
    void OnShown() override { Record("shown"); }
    void OnLeave() override { Record("leave"); }
    void OnHide(const shared_ptr<GObject>&) override { Record("hide"); }
    void OnRemoved(const shared_ptr<GObject>&) override { Record("removed"); }
    void OnLeftSoftKey() override {
        Record("left");
        if (backOnLeft) Scene::OnLeftSoftKey();
    }
    void OnRightSoftKey() override { Record("right"); }

    bool backOnLeft = true;

private:
    void Record(const std::string& what) { log->push_back(name + ":" + what); }
    std::string name;
    std::vector<std::string>* log;
};

class KestrumAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        Kestrum::Instance().Reset();
        SetCurrentDevice(*DeviceRoot::Open(device.Root()));
        const auto& info = CurrentDevice().Info();
        screen.emplace(info.screenWidth, info.screenHeight, info.dpi);
        BaseApplication::SetModuleFileName(programfolder::kModule);
    }
    void TearDown() override {
        app.reset();
        screen.reset();
        ClearCurrentDevice();
        Kestrum::Instance().Reset();
    }
    HeadlessWindowSystem& ws() { return HeadlessScreen::Windows(); }

    void Start(std::u16string pending = {}) {
        app = std::make_unique<KestrumApp>(std::move(pending));
        ASSERT_TRUE(app->Init(KestrumApp::kWindowName));
        RunUntilIdle();
    }
    // Runs the loop, timers included, until nothing is left to do.
    void RunUntilIdle() {
        screen->RunUntilIdle(app->GetWindow(), [this] {
            // An endless animation (the busy spinner of a details screen
            // whose request nobody answers here) never stops the frame timer.
            return ws().HasTimer(app->GetWindow(), WindowsMobileUIServer::kFrameTimer) &&
                   !(app->GetServer().IsSettled() && !app->InTransition());
        });
    }
    void SoftKey(bool left) {
        ws().PostMessage(app->GetWindow(), WM_COMMAND, left ? 0x70 : 0x71, 0);
        RunUntilIdle();
    }
    shared_ptr<ProbeScene> Push(const std::string& name) {
        shared_ptr<ProbeScene> s(new ProbeScene(app.get(), name, &log));
        {
            std::lock_guard lock(app->UILock());
            app->PushScene(s);
        }
        RunUntilIdle();
        return s;
    }

    StoreDevice device{"wm65-vga", true};
    std::optional<HeadlessScreen> screen;
    std::unique_ptr<KestrumApp> app;
    std::vector<std::string> log;
};

TEST_F(KestrumAppTest, StartsOnTheSignInScreenWhichSlidesInAndStaysAtTheBottom) {
    app = std::make_unique<KestrumApp>(u"");
    ASSERT_TRUE(app->Init(KestrumApp::kWindowName));
    ASSERT_TRUE(app->TopScene());
    const shared_ptr<GObject> root = app->TopScene()->GetRoot();
    EXPECT_EQ(root->X(), app->GetWidth()) << "the first screen enters from the right, as every other";
    RunUntilIdle();
    EXPECT_EQ(root->X(), 0);
    ASSERT_EQ(app->StackSize(), 1u);
    EXPECT_NE(dynamic_cast<LoginScene*>(app->TopScene()), nullptr);
}

TEST_F(KestrumAppTest, PushSlidesInAndBackRemovesTheTopWhenTheSlideHasEnded) {
    Start();
    auto a = Push("a");
    auto b = Push("b");
    EXPECT_EQ(app->StackSize(), 3u);
    EXPECT_EQ(b->GetRoot()->X(), 0);
    EXPECT_EQ(a->GetRoot()->X(), -app->GetWidth());
    EXPECT_EQ(log, (std::vector<std::string>{"a:build", "a:menu", "a:shown", "b:build", "b:menu", "b:shown"}));
    log.clear();

    SoftKey(true);  // the default left action goes back
    EXPECT_EQ(app->StackSize(), 2u);
    EXPECT_EQ(a->GetRoot()->X(), 0);
    EXPECT_FALSE(app->InTransition());
    // The screen below has slid back in: it may look again at what changed.
    EXPECT_EQ(log, (std::vector<std::string>{"b:left", "b:leave", "b:hide", "b:removed", "a:menu", "a:shown"}));
    EXPECT_EQ(b->GetRoot()->GetServer(), nullptr);
}

TEST_F(KestrumAppTest, ReturnsPopToTheRegisteredScenesAndDoNothingWithoutThem) {
    Start();
    Scene* signIn = app->TopScene();
    Push("x");
    std::lock_guard lock(app->UILock());
    app->ReturnToMainMenu();  // none registered yet
    EXPECT_EQ(app->StackSize(), 2u);
    auto menu = Push("menu");
    app->SetMainMenuScene(menu.get());
    Push("y");
    Push("z");
    app->ReturnToMainMenu();
    EXPECT_EQ(app->TopScene(), menu.get());
    app->ReturnToSignIn();
    EXPECT_EQ(app->TopScene(), signIn);
    EXPECT_EQ(app->StackSize(), 1u);
    // The main menu left the stack, so nothing may return to it any more.
    Push("w");
    app->ReturnToMainMenu();
    EXPECT_EQ(app->StackSize(), 2u);
}

TEST_F(KestrumAppTest, SoftKeysGoToAnOpenPopupFirstAndDisabledKeysDoNothing) {
    Start();
    auto a = Push("a");
    a->backOnLeft = false;
    std::vector<int> answers;
    {
        std::lock_guard lock(app->UILock());
        app->AskPopup(8, u"question", 1, 2, [&](int answer) { answers.push_back(answer); });
    }
    log.clear();
    SoftKey(false);
    EXPECT_EQ(answers, std::vector<int>{1});
    EXPECT_EQ(log, std::vector<std::string>{"a:menu"});  // the keys are the screen's again
    SoftKey(true);
    EXPECT_EQ(log, (std::vector<std::string>{"a:menu", "a:left"}));

    // While the screen waits for an answer a box still takes its key, and
    // the screen's labels come back with both keys still off.
    log.clear();
    {
        std::lock_guard lock(app->UILock());
        app->SetInputEnabled(false);
        app->AskPopup(8, u"meanwhile", 1, 0, nullptr);
    }
    SoftKey(true);
    EXPECT_FALSE(app->GetPopupBox().IsOpen());
    SoftKey(true);
    SoftKey(false);
    EXPECT_EQ(log, std::vector<std::string>{"a:menu"});
    log.clear();
    {
        std::lock_guard lock(app->UILock());
        app->ShowError(998);  // the common error message opens the input again
    }
    SoftKey(true);
    SoftKey(false);
    EXPECT_EQ(log, (std::vector<std::string>{"a:menu", "a:right"}));
}

TEST_F(KestrumAppTest, HandedOverIdWaitsUntilTheMainMenuExistsThenOpensDetails) {
    Start();
    ws().PostMessage(app->GetWindow(), KestrumApp::kHandOverMessage, 42, 0);
    RunUntilIdle();
    EXPECT_EQ(app->PendingAppId(), u"42");
    EXPECT_EQ(app->StackSize(), 1u);

    auto menu = Push("menu");
    {
        std::lock_guard lock(app->UILock());
        app->SetMainMenuScene(menu.get());
        EXPECT_EQ(app->TakePendingAppId(), u"42");
        EXPECT_EQ(app->TakePendingAppId(), u"");  // handed over once
    }
    ws().PostMessage(app->GetWindow(), KestrumApp::kHandOverMessage, 7, 0);
    RunUntilIdle();
    EXPECT_EQ(app->StackSize(), 3u);
    auto* details = dynamic_cast<AppDetailsScene*>(app->TopScene());
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->AppId(), 7);
}

// A device whose viewer library is there but cannot be loaded runs as one
// without it (the strip's calls do nothing), and says why in the log once,
// not at every start of the strip.
TEST_F(KestrumAppTest, AViewerThatCannotLoadIsLoggedOnceAndTheShellGoesOnWithoutTheStrip) {
    const std::filesystem::path broken = device.Root() / "broken-modules";
    std::filesystem::create_directories(broken);
    std::ofstream(broken / "libtobrix_htmlview.so") << "not a module";
    ::setenv("TOBRIX_EMULATOR_DIR", broken.c_str(), 1);
    ::testing::internal::CaptureStderr();
    for (int run = 0; run < 2; ++run) {
        if (run > 0) {
            app.reset();
            WindowSystem::Uninstall();
            SetUp();
        }
        Start();
        EXPECT_EQ(app->GetAdWindow(), nullptr);
    }
    {
        std::lock_guard lock(app->UILock());
        app->EnableAdvertising();
        app->ShowAdvertising(true);
        app->ReloadAdvertising();
    }
    RunUntilIdle();
    EXPECT_FALSE(app->IsAdvertisingVisible());
    EXPECT_EQ(app->StackSize(), 1u);
    const std::string log = ::testing::internal::GetCapturedStderr();
    ::unsetenv("TOBRIX_EMULATOR_DIR");
    const std::string line = "tobrix: no advertising strip: ";
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line), log.rfind(line)) << log;
}

TEST_F(KestrumAppTest, BusyIndicatorCountsRequestsFromAnyThread) {
    Start();
    std::thread worker([&] {
        app->RaiseBusy();
        app->RaiseBusy();
        app->LowerBusy();
    });
    worker.join();
    std::lock_guard lock(app->UILock());
    EXPECT_EQ(Loading::Instance().Count(), 1);
    app->LowerBusy();
    EXPECT_FALSE(Loading::Instance().IsShown());
}

}  // namespace
