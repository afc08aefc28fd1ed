#include <algorithm>
#include <cmath>

#include "support/Profiles.h"
#include "BrowseFixture.h"
#include "platform/registry/Registry.h"
#include "screens/AppRowBuilder.h"
#include "screens/AppsScene.h"
#include "screens/CatsScene.h"
#include "screens/LoginScene.h"
#include "ui/layouts/AppListItemLayout.h"

namespace {

using Apps = std::vector<shared_ptr<App>>;

class BrowseTest : public BrowseFixture {
protected:
    // The first application of the catalog as this device sees it.
    shared_ptr<App> FirstCatalogApp() {
        api::GetAppsQuery q;
        q.count = 1;
        const std::string body = Get(api::GetApps(ApiContext::Current(), q));
        Apps apps;
        XMLResponse_GetApps answer(&apps);
        std::lock_guard ui(net::UILock());
        EXPECT_EQ(answer.Parse(body.data(), body.size()), 0);
        return apps.empty() ? shared_ptr<App>() : apps.front();
    }
};

TEST_P(BrowseTest, MenuSendsConfigWithTheDetectedProfileOnce) {
    KestrumApp* app = &store->App();
    shared_ptr<MainMenuScene> menu(new MainMenuScene(app));
    {
        std::lock_guard ui(net::UILock());
        app->PushScene(menu);
        ASSERT_TRUE(menu->ConfigJob());
        EXPECT_EQ(menu->ConfigJob()->url,
                  api::Config(ApiContext::Current(), Localization::Instance().CurrentLanguage(),
                              Kestrum::Instance().detectedProfile));
        EXPECT_FALSE(app->GetSoftKeys().IsEnabled(0));
    }
    store->Settle();
    EXPECT_EQ(Kestrum::Instance().configPending, 0);
    EXPECT_TRUE(app->GetSoftKeys().IsEnabled(0));
    EXPECT_EQ(app->GetSoftKeys().GetLabel(0), Str(13000));
    EXPECT_EQ(app->GetSoftKeys().GetLabel(1), Str(6));
    EXPECT_FALSE(store->PopupOpen());

    // Coming back on top with nothing pending asks nothing.
    const int configs = server->Requests("config");
    Tap(Str(5001));
    store->Back();
    EXPECT_EQ(server->Requests("config"), configs);

    // A refused configuration keeps the profile when Settings never took a
    // copy of it, and the user hears why.
    {
        std::lock_guard ui(net::UILock());
        Kestrum::Instance().configPending = 1;
        Kestrum::Instance().SetSessionId(u"expired");
    }
    store->Push(shared_ptr<MainMenuScene>(new MainMenuScene(app)));
    EXPECT_TRUE(Top<LoginScene>());
    EXPECT_EQ(Kestrum::Instance().currentProfile, Kestrum::Instance().detectedProfile);
    ExpectError(203);
}

TEST_P(BrowseTest, UpdateBubbleFollowsTheUpdateCount) {
    shared_ptr<App> app = FirstCatalogApp();
    ASSERT_TRUE(app && app->revision > 1 && !app->sysid.empty());
    // The store installed an older revision of it.
    auto key = platform::CreateRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\" + app->sysid);
    ASSERT_TRUE(key && key->WriteDword(u"TobrixRevision", static_cast<uint32_t>(app->revision - 1)));
    AppManager::Instance().Reset();
    // Its row in a list says an update is available; so does it for a
    // package installed by other means (no revision recorded), and the row of
    // one installed at the catalog's revision says installed.
    auto stateShown = [&](int32_t installedRevision) {
        if (installedRevision > 0) key->WriteDword(u"TobrixRevision", static_cast<uint32_t>(installedRevision));
        else key->DeleteValue(u"TobrixRevision");
        std::lock_guard ui(net::UILock());
        shared_ptr<GObject> list(new GObject()), state;
        auto row = AppRowBuilder::Build(*list, *app, false);
        return row->FindChildById(AppListItemLayout::InstalledState, state)
                   ? static_cast<widgets::Label*>(state.get())->GetText()
                   : u"";
    };
    EXPECT_EQ(stateShown(0), Str(7001));
    EXPECT_EQ(stateShown(app->revision), Str(7002));
    EXPECT_EQ(stateShown(app->revision - 1), Str(7001));

    MainMenuScene* menu = OpenMenu();  // its configuration starts the update check
    ASSERT_TRUE(menu->Bubble());
    EXPECT_TRUE(menu->Bubble()->IsVisible());
    EXPECT_EQ(menu->Bubble()->GetText(), u"1");

    {
        std::lock_guard ui(net::UILock());
        AppManager& manager = AppManager::Instance();
        manager.StartUpdate(manager.Installed().at(app->sysid).get());
        EXPECT_FALSE(menu->Bubble()->IsVisible());
        manager.updateCount = 12;
        manager.UpdatesChanged.Invoke();
        EXPECT_TRUE(menu->Bubble()->IsVisible());
        EXPECT_EQ(menu->Bubble()->GetText(), u"12");
    }
    AppManager::Instance().WaitIdle(std::chrono::seconds(60));
}

TEST_P(BrowseTest, BrowsingTwoCategoryLevelsToALocalList) {
    OpenMenu();
    // Above the advertising strip a small screen shows only the first rows;
    // there the categories are opened as their row does.
    if (store->Find(Str(5002)))
        Tap(Str(5002));
    else
        store->Push(shared_ptr<Scene>(new CatsScene(&store->App(), &Kestrum::Instance().AllCategories(), nullptr)));
    auto* top = Top<CatsScene>();
    ASSERT_TRUE(top && top->IsRoot());
    Category& all = Kestrum::Instance().allCategory;
    ASSERT_FALSE(all.children.empty());
    auto branch = std::find_if(all.children.begin(), all.children.end(),
                               [](const shared_ptr<Category>& c) { return !c->children.empty(); });
    ASSERT_NE(branch, all.children.end());
    Category* parent = branch->get();
    Tap(parent->name + u"(" + text::ToU16(parent->count) + u")");

    auto* level = Top<CatsScene>();
    ASSERT_TRUE(level && !level->IsRoot());
    const auto rows = level->Rows();
    ASSERT_EQ(rows.size(), parent->children.size() + 1);
    EXPECT_EQ(rows[0].text, Str(6001) + u"(" + text::ToU16(parent->count) + u")");

    // Row 1 is the first child: here a leaf, listed on the device.
    Category* leaf = parent->children[0].get();
    ASSERT_TRUE(leaf->children.empty());
    Tap(rows[1].text);
    auto* list = Top<AppsScene>();
    ASSERT_TRUE(list);
    EXPECT_FALSE(list->Model().ServerMode());
    EXPECT_NE(list->RequestJob()->url.find(u"&cat=" + text::ToU16(leaf->id)), std::u16string::npos);
    ASSERT_FALSE(list->Model().Shown().empty());
    for (const auto& a : list->Model().Shown()) EXPECT_EQ(a->catid, leaf->id);
    EXPECT_TRUE(ShowsText(list->Model().Shown()[0]->name));

    // Back through the header's path: the category levels are still there.
    Tap(parent->name);
    Tap(Str(6000));
    EXPECT_TRUE(Top<CatsScene>() && Top<CatsScene>()->IsRoot());
}

TEST_P(BrowseTest, ServerListAsksAgainOnPriceAndSort) {
    OpenMenu();
    Tap(Str(5001));
    auto* list = Top<AppsScene>();
    ASSERT_TRUE(list && list->Model().ServerMode());
    auto query = [list] { return list->RequestJob()->url.substr(list->RequestJob()->url.find(u"&")); };
    EXPECT_EQ(query(), u"&count=25&sort=downloads");
    const size_t everything = list->Model().Shown().size();

    Tap(Str(12002));  // free
    ASSERT_EQ(Top<AppsScene>(), list);
    EXPECT_EQ(query(), u"&count=25&price=free&sort=downloads");
    EXPECT_EQ(Kestrum::Instance().priceFilter, u"free");
    EXPECT_LT(list->Model().Shown().size(), everything);

    Tap(Str(12006));  // the sort button names the current order
    ASSERT_FALSE(Top<AppsScene>());
    EXPECT_FALSE(ShowsText(Str(12003)));
    Tap(Str(12007));  // by views
    ASSERT_EQ(Top<AppsScene>(), list);
    EXPECT_EQ(query(), u"&count=25&price=free&sort=views");
    EXPECT_EQ(Kestrum::Instance().sortOrder, u"views");
    EXPECT_TRUE(ShowsText(Str(12007)));
}

INSTANTIATE_TEST_SUITE_P(Profiles, BrowseTest, ::testing::ValuesIn(kProfiles), ProfileName);

TEST(AppRowTest, RatingsBecomeHalfStarsRoundedUp) {
    EXPECT_EQ(AppRowBuilder::HalfStars(3.75), 8);
    EXPECT_EQ(AppRowBuilder::HalfStars(3.74), 7);
    EXPECT_EQ(AppRowBuilder::HalfStars(0.0), 0);
    EXPECT_EQ(AppRowBuilder::HalfStars(5.0), 10);
    EXPECT_EQ(AppRowBuilder::HalfStars(9.0), 10);
    EXPECT_EQ(AppRowBuilder::HalfStars(-2.0), 0);
    EXPECT_EQ(AppRowBuilder::HalfStars(std::nan("")), 0);
    EXPECT_EQ(AppRowBuilder::PriceString(u"trial"), 12009);
    EXPECT_EQ(AppRowBuilder::PriceString(u"paid"), 0);
}

}  // namespace
