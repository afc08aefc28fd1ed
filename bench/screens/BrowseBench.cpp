// How long the store takes from the tap on a category row to the rows of its
// application list on screen: the "getapps" request to catalogd on loopback,
// reading the answer, building the rows and painting them, all in the real
// shell on a headless window. Icons, fetched once their rows are drawn, come
// after and are not counted.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "../../tests/apps/CatalogServer.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/InetManager.h"
#include "net/XMLResponse.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "platform/window/HeadlessWindowSystem.h"
#include "screens/AppsScene.h"
#include "screens/CatsScene.h"
#include "shell/KestrumApp.h"
#include "shell/ProgramFolder.h"
#include "ui/app/TreeQuery.h"

namespace {

namespace fs = std::filesystem;
using platform::HeadlessWindowSystem;

// The store signed in on a VGA device, showing the top category level.
class Store {
public:
    Store() {
        root = fs::temp_directory_path() / ("tobrix-browse-bench-" + std::to_string(::getpid()));
        fs::remove_all(root);
        platform::SpawnOptions quiet;
        quiet.stdoutFile = "/dev/null";
        int code = -1;
        auto p = platform::SpawnHost(DEVICECTL_PATH, {"create", root.string(), "--profile", "wm65-vga", "--with-store"}, quiet);
        if (!p || !p->Wait(&code) || code != 0) throw std::runtime_error("devicectl create failed");
        platform::SetCurrentDevice(*platform::DeviceRoot::Open(root));
        const auto& info = platform::CurrentDevice().Info();
        platform::ScreenMetrics m;
        m.width = info.screenWidth;
        m.height = info.screenHeight;
        m.dpi = info.dpi;
        platform::WindowSystem::Install(std::make_unique<HeadlessWindowSystem>(m));
        BaseApplication::SetModuleFileName(programfolder::kModule);
        Kestrum::Instance().Reset();
        if (!server.Running()) throw std::runtime_error(server.Error());
        SetCatalogBaseUrl(server.BaseUrl());
        app = std::make_unique<KestrumApp>(u"");
        if (!app->Init(KestrumApp::kWindowName)) throw std::runtime_error("the store did not start");
        SignIn();
        std::lock_guard ui(app->UILock());
        Kestrum::Instance().configPending = 0;
        app->PushScene(shared_ptr<Scene>(new CatsScene(app.get(), &Kestrum::Instance().AllCategories(), nullptr)));
    }
    ~Store() {
        InetManager::Instance().WaitIdle(std::chrono::seconds(30));
        app.reset();
        platform::WindowSystem::Uninstall();
        platform::ClearCurrentDevice();
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    HeadlessWindowSystem& ws() { return static_cast<HeadlessWindowSystem&>(platform::WindowSystem::Current()); }

    // Runs the loop until `done` holds with nothing left to paint and no
    // animation that will end still running.
    template <class Done>
    void RunUntil(Done done) {
        bool finished = false;
        ws().SetIdleHandler([&] {
            // Endless animations (a blinking cursor) never settle; they do
            // not keep a screen from being drawn.
            bool ready = false;
            {
                std::lock_guard ui(app->UILock());
                ready = app->GetServer().IsSettled() && done();
            }
            if (!ready) return HeadlessWindowSystem::IdleResult{};
            finished = true;
            ws().PostMessage(app->GetWindow(), platform::WM_NULL, 0, 0);
            return HeadlessWindowSystem::IdleResult{true, {}};
        });
        platform::Message m;
        while (ws().GetMessage(m)) {
            if (finished && m.message == platform::WM_NULL) break;
            ws().TranslateMessage(m);
            ws().DispatchMessage(m);
        }
        ws().SetIdleHandler(nullptr);
    }

    // A tap at the centre of the label showing `text`, in screen coordinates.
    bool Tap(const std::u16string& text) {
        Rect area;
        {
            std::lock_guard ui(app->UILock());
            GObject* label = treequery::FindLabel(*app->GetUiRoot(), text);
            if (!label || !treequery::VisibleArea(*label, area)) return false;
        }
        const auto r = app->GetWindow()->Rect();
        const int x = r.left + area.x + area.width / 2, y = r.top + area.y + area.height / 2;
        ws().StylusDown(x, y);
        ws().StylusUp(x, y);
        return true;
    }

    // The rows of the list on top are built and its request has ended.
    bool ListShown() {
        auto* list = dynamic_cast<AppsScene*>(app->TopScene());
        return list && !list->Requesting() && !list->Model().Shown().empty();
    }

    bool TopIsCategories() { return dynamic_cast<CatsScene*>(app->TopScene()) != nullptr; }

    std::unique_ptr<KestrumApp> app;

private:
    void SignIn() {
        shared_ptr<HttpRequest> job = InetManager::Instance().Add(api::Auth(ApiContext::Current(), u"demo", u"demo"), false);
        std::string body;
        {
            std::lock_guard ui(app->UILock());
            SubscribeFn(job->Complete, [&body](HttpRequest* r, bool ok) {
                if (ok && r->Data()) body.assign(r->Data(), r->Size());
            });
        }
        InetManager::Instance().WaitIdle(std::chrono::seconds(30));
        std::u16string session;
        XMLResponse_Auth auth(&session);
        std::lock_guard ui(app->UILock());
        if (auth.Parse(body.data(), body.size()) != 0) throw std::runtime_error("sign-in failed: " + body);
        Kestrum::Instance().SetSessionId(session);
    }

    fs::path root;
    CatalogServer server;
};

void TapCategoryToRowsDrawn(benchmark::State& state) {
    Store store;
    store.RunUntil([&] { return store.TopIsCategories() && !Kestrum::Instance().allCategory.children.empty(); });
    Category* first = Kestrum::Instance().allCategory.children.front().get();
    // A leaf opens its list at once; a branch would first open its level.
    while (!first->children.empty()) first = first->children.front().get();
    std::u16string row;
    {
        std::lock_guard ui(store.app->UILock());
        store.app->PushScene(shared_ptr<Scene>(new CatsScene(store.app.get(), first->parent, nullptr)));
        row = first->name + u"(" + text::ToU16(first->count) + u")";
    }
    store.RunUntil([&] { return store.TopIsCategories(); });
    for (auto _ : state) {
        if (!store.Tap(row)) {
            state.SkipWithError("the category row is not on screen");
            break;
        }
        store.RunUntil([&] { return store.ListShown(); });
        state.PauseTiming();
        store.ws().PostMessage(store.app->GetWindow(), platform::WM_COMMAND, 0x70, 0);  // back
        store.RunUntil([&] { return store.TopIsCategories() && InetManager::Instance().QueueLength() == 0; });
        state.ResumeTiming();
    }
}
BENCHMARK(TapCategoryToRowsDrawn)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
