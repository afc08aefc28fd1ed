// The search screens in the real shell against catalogd: every criterion is
// set through its own screen, and the list opened asks the catalog with it.
#include "support/Profiles.h"
#include "StoreScreensFixture.h"
#include "screens/AppsScene.h"
#include "screens/CatsScene.h"
#include "screens/ChooseKeywordScene.h"
#include "screens/ChooseSearchInScene.h"
#include "screens/ChooseTagsScene.h"
#include "net/ApiUrl.h"
#include "screens/SearchScene.h"
#include "ui/widgets/Switch.h"

namespace {

class SearchTest : public StoreScreensFixture {
protected:
    SearchScene* OpenSearch() {
        Tap(5003);
        SearchScene* search = Top<SearchScene>();
        EXPECT_TRUE(search);
        return search;
    }

    // Runs the search; the list that opens has asked the catalog.
    api::GetAppsQuery Find() {
        store->SoftKey(false);
        AppsScene* list = Top<AppsScene>();
        EXPECT_TRUE(list);
        if (!list) return {};
        EXPECT_FALSE(list->Model().ServerMode());
        EXPECT_TRUE(ShowsText(Str(9019)));
        return list->Model().Query();
    }
    // A row of the tag or category lists: the name and how many it holds.
    static std::u16string Row(const std::u16string& name, int32_t count) { return name + u"(" + text::ToU16(count) + u")"; }
};

// No criterion is refused without a request; then a keyword in the publisher
// field, two tags chosen out of list order (shown with a comma and a space,
// sent with a comma alone) and a category two levels down (shown as its path,
// reset by the any-category row) are set on their own screens and go out
// together; the category's path is shown, and reset by the any-category row.
TEST_P(SearchTest, EveryCriterionIsSetOnItsScreenAndSentTogether) {
    SearchScene* search = OpenSearch();
    ASSERT_TRUE(search);
    for (int32_t line : {9006, 9007, 9008}) EXPECT_TRUE(ShowsText(Str(line))) << line;
    store->SoftKey(false);
    EXPECT_EQ(Top<SearchScene>(), search);
    ExpectError(SearchScene::kNoCriteria);

    Tap(9003);
    ChooseKeywordScene* keyword = Top<ChooseKeywordScene>();
    ASSERT_TRUE(keyword);
    Tap(9009);  // the field link, "everywhere" until chosen
    ASSERT_TRUE(Top<ChooseSearchInScene>());
    Tap(9011);
    ASSERT_EQ(Top<ChooseKeywordScene>(), keyword);
    EXPECT_TRUE(ShowsText(Str(9011)));
    {
        std::lock_guard ui(net::UILock());
        keyword->Edit()->SetFocused(true);
    }
    store->Windows().TypeText(u"Arbor");
    store->Settle();
    store->SoftKey(false);
    ASSERT_EQ(Top<SearchScene>(), search);
    EXPECT_TRUE(ShowsText(u"Arbor"));

    Tap(9002);
    const auto tags = Kestrum::Instance().tagList;
    ASSERT_GE(tags.size(), 3u);
    Tap(Row(tags[2].first, tags[2].second));
    Tap(Row(tags[0].first, tags[0].second));
    store->SoftKey(false);
    EXPECT_TRUE(ShowsText(tags[0].first + u", " + tags[2].first));
    // The tags are asked for once per run; their rows remember the choice.
    Tap(9002);
    ChooseTagsScene* tagScreen = Top<ChooseTagsScene>();
    ASSERT_TRUE(tagScreen);
    EXPECT_FALSE(tagScreen->Requesting());
    ASSERT_EQ(tagScreen->Switches().size(), tags.size());
    EXPECT_TRUE(tagScreen->Switches()[0]->IsOn());
    EXPECT_FALSE(tagScreen->Switches()[1]->IsOn());
    EXPECT_TRUE(tagScreen->Switches()[2]->IsOn());
    store->SoftKey(true);  // back without changes

    Tap(9001);
    ASSERT_TRUE(Top<CatsScene>());
    EXPECT_TRUE(ShowsText(Str(9006)));  // the any-category row
    Category& all = Kestrum::Instance().AllCategories();
    auto parent = std::find_if(all.children.begin(), all.children.end(), [](auto& c) { return !c->children.empty(); });
    ASSERT_NE(parent, all.children.end());
    const std::u16string parentRow = Row((*parent)->name, (*parent)->count);
    Category* child = (*parent)->children.front().get();
    Tap(parentRow);
    EXPECT_TRUE(ShowsText(Str(9013)));
    Tap(Row(child->name, child->count));
    ASSERT_EQ(Top<SearchScene>(), search);
    EXPECT_TRUE(ShowsText((*parent)->name + u" > " + child->name));
    Tap(9001);
    Tap(9006);
    ASSERT_EQ(Top<SearchScene>(), search);
    EXPECT_TRUE(ShowsText(Str(9006)));
    EXPECT_EQ(search->ChosenCategory(), nullptr);
    Tap(9001);
    Tap(parentRow);
    Tap(9013);  // the whole of the upper level

    const api::GetAppsQuery q = Find();
    EXPECT_EQ(q.query, u"Arbor");
    EXPECT_EQ(q.in, u"com");
    EXPECT_EQ(q.tags, tags[0].first + u"," + tags[2].first);
    ASSERT_TRUE(q.cat);
    EXPECT_EQ(*q.cat, (*parent)->id);
}

TEST_P(SearchTest, TagsThatCannotBeFetchedLeaveTheChosenOnes) {
    SearchScene* search = OpenSearch();
    ASSERT_TRUE(search);
    Tap(9002);
    const auto tags = Kestrum::Instance().tagList;
    ASSERT_FALSE(tags.empty());
    Tap(Row(tags[0].first, tags[0].second));
    store->SoftKey(false);
    ASSERT_EQ(search->ChosenTags().size(), 1u);

    // The catalog goes silent, and the tags have to be asked for again.
    {
        std::lock_guard ui(net::UILock());
        Kestrum::Instance().tagList.clear();
        SetCatalogBaseUrl(u"http://127.0.0.1:9/");
    }
    Tap(9002);
    ASSERT_TRUE(Top<ChooseTagsScene>());
    ExpectError(998);
    EXPECT_TRUE(Kestrum::Instance().tagList.empty());  // asked for again next time
    store->SoftKey(false);  // accepting an empty screen
    ASSERT_EQ(Top<SearchScene>(), search);
    EXPECT_EQ(search->ChosenTags(), std::vector<SearchScene::Tag>{tags[0]});
    EXPECT_TRUE(ShowsText(tags[0].first));
}

INSTANTIATE_TEST_SUITE_P(Profiles, SearchTest, ::testing::ValuesIn(kProfiles), ProfileName);

}  // namespace
