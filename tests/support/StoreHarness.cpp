#include "support/StoreHarness.h"

#include "apps/AppManager.h"
#include "core/Kestrum.h"
#include "net/ApiUrl.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "platform/device/DeviceRoot.h"
#include "platform/window/ScreenShot.h"
#include "shell/ProgramFolder.h"
#include "ui/app/TreeQuery.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/StateAnimator.h"
#include "ui/scenes/PopupBox.h"
#include "ui/scenes/Scene.h"

using platform::HeadlessWindowSystem;

StoreHarness::StoreHarness(const StoreDevice& device, const std::u16string& baseUrl) {
    platform::SetCurrentDevice(*platform::DeviceRoot::Open(device.Root()));
    const auto& info = platform::CurrentDevice().Info();
    screen.emplace(info.screenWidth, info.screenHeight, info.dpi);
    // The metrics are measured once per process; each test's device has its own.
    LayoutMetrics::Set(LayoutMetrics::FromPlatform());
    BaseApplication::SetModuleFileName(programfolder::kModule);
    Kestrum::Instance().Reset();
    // The manager is one per process and outlives each store: without this a
    // test would find what an earlier test in the same process installed.
    AppManager::Instance().Reset();
    SetCatalogBaseUrl(baseUrl);
    app = std::make_unique<KestrumApp>(u"");
    app->SetAdViewer(&viewer, u"http://ads.invalid/");
    if (!app->Init(KestrumApp::kWindowName)) throw std::runtime_error("the store did not start");
    Settle();
}

StoreHarness::~StoreHarness() {
    InetManager::Instance().WaitIdle(std::chrono::seconds(30));
    app.reset();
    screen.reset();
    platform::ClearCurrentDevice();
    Kestrum::Instance().Reset();
}

HeadlessWindowSystem& StoreHarness::Windows() {
    return HeadlessScreen::Windows();
}

template <class Done>
void StoreHarness::RunUntil(Done done) {
    auto& ws = Windows();
    bool finished = false;
    timedOut = false;
    using RealClock = platform::LoopClock::RealClock;
    const auto deadline = RealClock::now() + settleLimit;
    ws.SetIdleHandler([&] {
        if (settleLimit.count() > 0 && RealClock::now() >= deadline) {
            timedOut = finished = true;
            ws.PostMessage(app->GetWindow(), platform::WM_NULL, 0, 0);
            return HeadlessWindowSystem::IdleResult{true, {}};
        }
        bool ready = false;
        {
            std::lock_guard ui(app->UILock());
            // Endless animations (a blinking cursor, the busy spinner while a
            // request runs) never settle; they keep no screen from being drawn.
            ready = app->GetServer().IsSettled() && !app->InTransition() && done();
        }
        if (!ready) {
            HeadlessWindowSystem::IdleResult wait;
            if (settleLimit.count() > 0) wait.wakeBy = deadline;
            return wait;
        }
        finished = true;
        ws.PostMessage(app->GetWindow(), platform::WM_NULL, 0, 0);
        return HeadlessWindowSystem::IdleResult{true, {}};
    });
    platform::Message m;
    while (ws.GetMessage(m)) {
        if (finished && m.message == platform::WM_NULL) break;
        ws.TranslateMessage(m);
        ws.DispatchMessage(m);
    }
    ws.SetIdleHandler(nullptr);
}

void StoreHarness::Settle() {
    // Idle, not only an empty queue: a request leaves the queue before its
    // answer is handed to the screens.
    RunUntil([] { return InetManager::Instance().IsIdle(); });
    // The messages handled on the way out may carry the last answer, which
    // opens a popup or starts a slide: the screen comes to rest as well.
    if (!timedOut) SettleScreen();
}

void StoreHarness::SettleScreen() {
    RunUntil([] { return true; });
}

void StoreHarness::Push(const shared_ptr<Scene>& scene) {
    {
        std::lock_guard ui(app->UILock());
        app->PushScene(scene);
    }
    Settle();
}

void StoreHarness::Back() {
    {
        std::lock_guard ui(app->UILock());
        app->Back();
    }
    Settle();
}

GObject* StoreHarness::Find(const std::u16string& text) {
    std::lock_guard ui(app->UILock());
    return treequery::FindLabel(*app->GetUiRoot(), text);
}

std::vector<std::u16string> StoreHarness::ShownTexts() {
    std::lock_guard ui(app->UILock());
    std::vector<std::u16string> texts;
    std::function<void(GObject&)> walk = [&](GObject& o) {
        std::u16string t;
        Rect area;
        if (treequery::LabelText(o, t) && !t.empty() && treequery::VisibleArea(o, area)) texts.push_back(t);
        for (const auto& c : o.Children()) walk(*c);
    };
    walk(*app->GetUiRoot());
    return texts;
}

bool StoreHarness::TapText(const std::u16string& text, bool waitForRequests) {
    Rect area;
    {
        std::lock_guard ui(app->UILock());
        GObject* label = treequery::FindLabel(*app->GetUiRoot(), text);
        if (!label || !treequery::VisibleArea(*label, area)) return false;
    }
    return Tap(area, waitForRequests);
}

bool StoreHarness::Tap(const Rect& area, bool waitForRequests) {
    const auto r = app->GetWindow()->Rect();
    const int x = r.left + area.x + area.width / 2, y = r.top + area.y + area.height / 2;
    Windows().StylusDown(x, y);
    Windows().StylusUp(x, y);
    if (waitForRequests)
        Settle();
    else
        SettleScreen();
    return true;
}

void StoreHarness::SoftKey(bool left) {
    Windows().PostMessage(app->GetWindow(), platform::WM_COMMAND, left ? 0x70 : 0x71, 0);
    Settle();
}

bool StoreHarness::PopupOpen() {
    std::lock_guard ui(app->UILock());
    return app->GetPopupBox().IsOpen();
}

bool StoreHarness::Screenshot(const std::filesystem::path& file) {
    const auto& m = Windows().Metrics();
    return platform::WriteScreenPng(file, Windows().Screen().data(), m.width, m.height, nullptr);
}

std::optional<std::string> StoreHarness::FetchBeside(const std::u16string& url, std::chrono::seconds limit) {
    std::optional<std::string> body;
    {
        // Completion needs this lock, so the job cannot end before it is heard.
        std::lock_guard ui(net::UILock());
        shared_ptr<HttpRequest> job = InetManager::Instance().Add(url, false);
        SubscribeFn(job->Complete, [&body](HttpRequest* r, bool ok) {
            if (ok) body.emplace(r->Data() ? std::string(r->Data(), r->Size()) : std::string());
        });
    }
    if (!InetManager::Instance().WaitIdle(limit)) return std::nullopt;
    return body;
}
