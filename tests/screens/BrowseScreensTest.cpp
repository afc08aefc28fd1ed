#include <algorithm>

#include "BrowseFixture.h"
#include "platform/registry/Registry.h"
#include "screens/AppRowBuilder.h"
#include "screens/AppsScene.h"
#include "screens/CatsScene.h"
#include "screens/MainMenuScene.h"
#include "screens/PlaceholderScene.h"

namespace {

using Apps = std::vector<shared_ptr<App>>;

bool Contains(const std::vector<std::u16string>& texts, const std::u16string& t) {
    return std::find(texts.begin(), texts.end(), t) != texts.end();
}

std::string U8(const std::u16string& s) { return text::Utf16ToUtf8(s); }

class BrowseTest : public BrowseFixture {
protected:
    // The sign-in screen at the bottom and the main menu above it, configured.
    MainMenuScene* OpenMenu() {
        auto signIn = shared_ptr<Scene>(new PlaceholderScene(harness.get(), 1000, 1000));
        harness->PushScene(signIn);
        harness->SetSignInScene(signIn.get());
        auto menu = shared_ptr<MainMenuScene>(new MainMenuScene(harness.get()));
        harness->PushScene(menu);
        EXPECT_TRUE(harness->Settle());
        return menu.get();
    }

    template <class S>
    S* Top() {
        std::lock_guard ui(net::UILock());
        return dynamic_cast<S*>(harness->TopScene());
    }

    // Taps a shown label and lets every request and animation it causes end.
    void Tap(const std::u16string& label) {
        ASSERT_TRUE(harness->TapText(label)) << U8(label) << " is not on screen";
        ASSERT_TRUE(harness->Settle());
    }

    std::u16string Str(int32_t n) { return Localization::Instance().Text(n); }

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
    auto signIn = shared_ptr<Scene>(new PlaceholderScene(harness.get(), 1000, 1000));
    harness->PushScene(signIn);
    auto menu = shared_ptr<MainMenuScene>(new MainMenuScene(harness.get()));
    harness->PushScene(menu);
    {
        std::lock_guard ui(net::UILock());
        ASSERT_TRUE(menu->ConfigJob());
        EXPECT_EQ(menu->ConfigJob()->url,
                  api::Config(ApiContext::Current(), u"en", Kestrum::Instance().detectedProfile));
    }
    ASSERT_TRUE(harness->Settle());
    EXPECT_EQ(Kestrum::Instance().configPending, 0);
    EXPECT_TRUE(harness->inputEnabled);
    EXPECT_EQ(harness->adsEnabled, 1);
    EXPECT_EQ(harness->adsLoaded, 1);
    EXPECT_TRUE(harness->Errors().empty());
    const auto texts = harness->ShownTexts();
    for (int32_t n : {5000, 5007, 5001}) EXPECT_TRUE(Contains(texts, Str(n))) << n;
    EXPECT_TRUE(harness->Screenshot(Shot("main-menu")));

    // Coming back on top with nothing pending asks nothing.
    const HttpRequest* first = menu->ConfigJob().get();
    Tap(Str(5001));
    harness->Back();
    EXPECT_EQ(menu->ConfigJob().get(), first);

    // A failed configuration keeps the profile when Settings never took a
    // copy, and the user hears why.
    {
        std::lock_guard ui(net::UILock());
        Kestrum::Instance().configPending = 1;
        Kestrum::Instance().SetSessionId(u"expired");
    }
    harness->Back();  // the sign-in placeholder
    harness->PushScene(menu = shared_ptr<MainMenuScene>(new MainMenuScene(harness.get())));
    ASSERT_TRUE(harness->Settle());
    EXPECT_EQ(harness->Errors(), (std::vector<int32_t>{203}));
    EXPECT_EQ(Kestrum::Instance().currentProfile, Kestrum::Instance().detectedProfile);
}

TEST_P(BrowseTest, UpdateBubbleFollowsTheUpdateCount) {
    shared_ptr<App> app = FirstCatalogApp();
    ASSERT_TRUE(app && app->revision > 1 && !app->sysid.empty());
    // The store installed an older revision of it.
    auto key = platform::CreateRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\" + app->sysid);
    ASSERT_TRUE(key && key->WriteDword(u"TobrixRevision", static_cast<uint32_t>(app->revision - 1)));
    AppManager::Instance().Reset();

    MainMenuScene* menu = OpenMenu();
    ASSERT_TRUE(harness->Settle());  // the update check the configuration started
    ASSERT_TRUE(menu->Bubble());
    EXPECT_TRUE(menu->Bubble()->IsVisible());
    EXPECT_EQ(menu->Bubble()->GetText(), u"1");
    EXPECT_TRUE(harness->Screenshot(Shot("main-menu-update")));

    {
        std::lock_guard ui(net::UILock());
        AppManager::Instance().StartUpdate(AppManager::Instance().Installed().at(app->sysid).get());
        EXPECT_FALSE(menu->Bubble()->IsVisible());
        AppManager::Instance().updateCount = 12;
        AppManager::Instance().UpdatesChanged.Invoke();
        EXPECT_TRUE(menu->Bubble()->IsVisible());
        EXPECT_EQ(menu->Bubble()->GetText(), u"12");
    }
}

TEST_P(BrowseTest, BrowsingTwoCategoryLevelsToALocalList) {
    OpenMenu();
    Tap(Str(5002));
    auto* top = Top<CatsScene>();
    ASSERT_TRUE(top && top->IsRoot());
    Category& all = Kestrum::Instance().allCategory;
    ASSERT_FALSE(all.children.empty());
    EXPECT_TRUE(harness->Screenshot(Shot("categories")));
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
    EXPECT_TRUE(harness->Screenshot(Shot("categories-level2")));

    // Row 1 is the first child: here a leaf, listed on the device.
    Category* leaf = parent->children[0].get();
    ASSERT_TRUE(leaf->children.empty());
    Tap(rows[1].text);
    auto* list = Top<AppsScene>();
    ASSERT_TRUE(list);
    EXPECT_FALSE(list->Model().ServerMode());
    EXPECT_NE(list->RequestJob()->url.find(u"&cat=" + text::ToU16(leaf->id)), std::u16string::npos);
    EXPECT_FALSE(list->Model().Shown().empty());
    for (const auto& a : list->Model().Shown()) EXPECT_EQ(a->catid, leaf->id);
    EXPECT_TRUE(Contains(harness->ShownTexts(), list->Model().Shown()[0]->name));
    EXPECT_TRUE(harness->Screenshot(Shot("apps-local")));

    // Back twice: the category levels are still there.
    harness->Back();
    harness->Back();
    EXPECT_TRUE(Top<CatsScene>() && Top<CatsScene>()->IsRoot());
}

TEST_P(BrowseTest, ServerListAsksAgainOnPriceAndSort) {
    OpenMenu();
    Tap(Str(5001));
    auto* list = Top<AppsScene>();
    ASSERT_TRUE(list && list->Model().ServerMode());
    EXPECT_EQ(list->RequestJob()->url.substr(list->RequestJob()->url.find(u"&")),
              u"&count=25&sort=downloads");
    const size_t everything = list->Model().Shown().size();
    EXPECT_GT(everything, 0u);
    EXPECT_LE(everything, 25u);
    EXPECT_TRUE(harness->Screenshot(Shot("apps-top")));

    Tap(Str(12002));  // free
    ASSERT_EQ(Top<AppsScene>(), list);
    EXPECT_EQ(list->RequestJob()->url.substr(list->RequestJob()->url.find(u"&")),
              u"&count=25&price=free&sort=downloads");
    EXPECT_EQ(Kestrum::Instance().priceFilter, u"free");
    EXPECT_LT(list->Model().Shown().size(), everything);
    for (const auto& a : list->Model().Shown()) EXPECT_EQ(a->type, u"free");

    Tap(Str(12006));  // the sort button names the current order
    ASSERT_FALSE(Top<AppsScene>());
    EXPECT_TRUE(harness->Screenshot(Shot("sort-choice")));
    EXPECT_FALSE(Contains(harness->ShownTexts(), Str(12003)));
    Tap(Str(12007));  // by views
    ASSERT_EQ(Top<AppsScene>(), list);
    EXPECT_EQ(list->RequestJob()->url.substr(list->RequestJob()->url.find(u"&")),
              u"&count=25&price=free&sort=views");
    EXPECT_EQ(Kestrum::Instance().sortOrder, u"views");
    const Apps& shown = list->Model().Shown();
    for (size_t i = 1; i < shown.size(); ++i) EXPECT_GE(shown[i - 1]->views, shown[i]->views);
    EXPECT_TRUE(Contains(harness->ShownTexts(), Str(12007)));
}

TEST_P(BrowseTest, LocalListFiltersAndSortsWithoutAsking) {
    OpenMenu();
    Category* none = nullptr;
    harness->PushScene(shared_ptr<Scene>(
        new AppsScene(harness.get(), u"All", Str(5000), none, u"", u"", u"", -1, -1, u"", false, false)));
    ASSERT_TRUE(harness->Settle());
    auto* list = Top<AppsScene>();
    ASSERT_TRUE(list);
    const HttpRequest* asked = list->RequestJob().get();
    const Apps everything = list->Model().Shown();
    ASSERT_GT(everything.size(), 2u);

    Tap(Str(12001));  // paid
    EXPECT_EQ(list->RequestJob().get(), asked);
    for (const auto& a : list->Model().Shown()) EXPECT_NE(a->type, u"free");
    const size_t paid = list->Model().Shown().size();
    Tap(Str(12002));  // free: the paid ones were not lost
    EXPECT_EQ(list->Model().Shown().size() + paid, everything.size());
    Tap(Str(12000));
    EXPECT_EQ(list->Model().Shown().size(), everything.size());

    Tap(Str(12006));  // downloads, persisted from the start
    EXPECT_TRUE(Contains(harness->ShownTexts(), Str(12003)));
    Tap(Str(12005));  // by rating
    EXPECT_EQ(list->RequestJob().get(), asked);
    const Apps& shown = list->Model().Shown();
    for (size_t i = 1; i < shown.size(); ++i)
        EXPECT_FALSE(AppListModel::RanksBefore(*shown[i], *shown[i - 1], u"rates")) << i;
    EXPECT_TRUE(harness->Screenshot(Shot("apps-local-rated")));
}

TEST_P(BrowseTest, ExpiredSessionReturnsToSignIn) {
    OpenMenu();
    {
        std::lock_guard ui(net::UILock());
        Kestrum::Instance().SetSessionId(u"expired");
    }
    Tap(Str(5007));
    EXPECT_TRUE(dynamic_cast<PlaceholderScene*>(harness->TopScene()));
    EXPECT_EQ(harness->Depth(), 1u);
    EXPECT_EQ(harness->Errors(), (std::vector<int32_t>{203}));
    EXPECT_EQ(Kestrum::Instance().configPending, 1);
}

INSTANTIATE_TEST_SUITE_P(Profiles, BrowseTest, ::testing::Values("wm65-vga", "wm5-sp-176x220"),
                         [](const auto& info) { return info.param == "wm65-vga" ? "Vga" : "Smartphone"; });

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
