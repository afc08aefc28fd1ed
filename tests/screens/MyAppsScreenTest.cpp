#include "support/HeldServer.h"
#include "support/Profiles.h"
#include "BrowseFixture.h"
#include "screens/MyAppsScene.h"

// My applications in this process, following a download that a package
// server holds half-way until the test has looked at the screen.
namespace {

constexpr int kChatLink = 10;

class MyAppsScreenTest : public BrowseFixture {
protected:
    shared_ptr<App> CatalogApp(int id) {
        shared_ptr<App> app(new App());
        const std::string body = Get(api::AppDetails(ApiContext::Current(), id));
        XMLResponse_AppDetails answer(app.get());
        std::lock_guard ui(net::UILock());
        EXPECT_EQ(answer.Parse(body.data(), body.size()), 0);
        return app;
    }
    // Waits (bounded, for a loaded machine) until `done` holds under the UI lock.
    bool WaitFor(const std::function<bool()>& done) {
        return Eventually([&] {
            std::lock_guard ui(net::UILock());
            return done();
        });
    }
    static bool Visible(const GObject& row, int32_t id) {
        shared_ptr<GObject> bar, child;
        return row.FindChildById(MyAppsScene::kControlBarId, bar) && bar->FindChildById(id, child) &&
               child->IsVisible();
    }
};

TEST_P(MyAppsScreenTest, ADownloadMovesOnlyItsBarThenTheRowJoinsTheInstalledGroup) {
    shared_ptr<App> app = CatalogApp(kChatLink);
    ASSERT_EQ(app->sysid, u"Orbit Chat Link");
    const std::string package = ReadAll(server->Assets() / "packages" / "chatlink_10.cab");
    ASSERT_GT(package.size(), 4096u);
    // The first half at once, the rest when released.
    HeldServer held;
    held.Serve("*", package, package.size() / 2);
    shared_ptr<MyAppsScene> scene(new MyAppsScene(&store->App()));
    {
        std::lock_guard ui(net::UILock());
        SetCatalogBaseUrl(held.Url("/"));
        AppManager::Instance().AddDownload(app);
        store->App().PushScene(scene);
        SetCatalogBaseUrl(server->BaseUrl());
    }
    // The first half arrives in pieces, as fast as the machine takes them;
    // the server holds the rest, so the bar stops at the half.
    ASSERT_TRUE(WaitFor([&] { return !scene->Rows().empty() && scene->Rows()[0].progress >= 0.45; }));
    {
        std::lock_guard ui(net::UILock());
        const MyAppsScene::Row& row = scene->Rows()[0];
        EXPECT_EQ(row.state.group, MyAppGroup::Busy);
        EXPECT_EQ(row.state.caption, MyAppRowState::kDownloading);
        EXPECT_NEAR(row.state.progressValue, 0.5, 0.2);
        EXPECT_TRUE(Visible(*row.widget, MyAppsScene::Progress));
        EXPECT_FALSE(Visible(*row.widget, MyAppsScene::UninstallButton));
        // A header for the running jobs, then the row; then the installed
        // group, which holds the store's own package.
        ASSERT_EQ(scene->List()->ChildCount(), 4);
        EXPECT_EQ(static_cast<widgets::BarLabel*>(scene->List()->Children()[0].get())->GetText(), u"In progress");
    }

    held.Release();
    // The download ends first and queues the installation.
    ASSERT_TRUE(AppManager::Instance().WaitUntilQuiet(std::chrono::seconds(60)));
    store->Settle();
    {
        std::lock_guard ui(net::UILock());
        const MyAppsScene::Row& row = scene->Rows()[0];
        EXPECT_EQ(row.state.group, MyAppGroup::Catalog);
        EXPECT_TRUE(Visible(*row.widget, MyAppsScene::RunButton));
        EXPECT_TRUE(Visible(*row.widget, MyAppsScene::UninstallButton));
        EXPECT_FALSE(Visible(*row.widget, MyAppsScene::UpdateButton));
        EXPECT_FALSE(Visible(*row.widget, MyAppsScene::Progress));
        EXPECT_EQ(static_cast<widgets::BarLabel*>(scene->List()->Children()[0].get())->GetText(), u"Installed");
        // The row's handler leaves the record with the row.
        const size_t handlers = app->StatusChanged.Count();
        store->App().PopScene();
        scene = nullptr;
        EXPECT_EQ(app->StatusChanged.Count(), handlers - 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, MyAppsScreenTest, ::testing::ValuesIn(kProfiles), ProfileName);

}  // namespace
