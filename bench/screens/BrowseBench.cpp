// How long the store takes from the tap on a category row to the rows of its
// application list on screen: the "getapps" request to catalogd on loopback,
// reading the answer, building the rows and painting them, until the list is
// complete on screen: the icons the first paint asks for included. All in the
// real shell on a headless window.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "support/CatalogServer.h"
#include "support/StoreHarness.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "net/ApiMethods.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "net/XMLResponse.h"
#include "screens/AppsScene.h"
#include "screens/CatsScene.h"

namespace {

void SignIn() {
    shared_ptr<HttpRequest> job = InetManager::Instance().Add(api::Auth(ApiContext::Current(), u"demo", u"demo"), false);
    std::string body;
    {
        std::lock_guard ui(net::UILock());
        SubscribeFn(job->Complete, [&body](HttpRequest* r, bool ok) {
            if (ok && r->Data()) body.assign(r->Data(), r->Size());
        });
    }
    InetManager::Instance().WaitIdle(std::chrono::seconds(30));
    std::u16string session;
    XMLResponse_Auth auth(&session);
    std::lock_guard ui(net::UILock());
    if (auth.Parse(body.data(), body.size()) != 0) throw std::runtime_error("sign-in failed: " + body);
    Kestrum::Instance().SetSessionId(session);
}

void TapCategoryToRowsDrawn(benchmark::State& state) {
    CatalogServer server;
    StoreDevice device("wm65-vga");
    StoreHarness store(device, server.BaseUrl());
    SignIn();
    KestrumApp* app = &store.App();
    Kestrum::Instance().configPending = 0;
    store.Push(shared_ptr<Scene>(new CatsScene(app, &Kestrum::Instance().AllCategories(), nullptr)));
    // The level that holds the first leaf: its row opens the list at once.
    Category* leaf = Kestrum::Instance().allCategory.children.front().get();
    while (!leaf->children.empty()) leaf = leaf->children.front().get();
    if (leaf->parent != &Kestrum::Instance().allCategory)
        store.Push(shared_ptr<Scene>(new CatsScene(app, leaf->parent, nullptr)));
    const std::u16string row = leaf->name + u"(" + text::ToU16(leaf->count) + u")";
    for (auto _ : state) {
        if (!store.TapText(row) || !dynamic_cast<AppsScene*>(app->TopScene())) {
            state.SkipWithError("the category row did not open its list");
            break;
        }
        state.PauseTiming();
        store.Back();
        state.ResumeTiming();
    }
}
BENCHMARK(TapCategoryToRowsDrawn)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
