#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "screens/AppListModel.h"

namespace {

using Apps = std::vector<shared_ptr<App>>;

shared_ptr<App> MakeApp(int32_t id, double rate = 0, int32_t rates = 0, std::u16string type = u"free") {
    shared_ptr<App> app = new App();
    app->id = id;
    app->rate = rate;
    app->rates = rates;
    app->type = std::move(type);
    return app;
}

std::vector<int32_t> Ids(const Apps& apps) {
    std::vector<int32_t> ids;
    for (const auto& a : apps) ids.push_back(a->id);
    return ids;
}

std::u16string Url(const AppListModel& m) {
    ApiContext c;
    c.baseUrl = u"http://h/";
    c.sessionId = u"S";
    return api::GetApps(c, m.Query());
}

TEST(AppListSortTest, NearbyRatingsAreTiedAndBrokenByVotes) {
    Apps apps = {MakeApp(1, 4.20, 10), MakeApp(2, 4.24, 30), MakeApp(3, 4.5, 1), MakeApp(4, 4.20, 10)};
    AppListModel::SortApps(apps, u"rates");
    // 4.5 is clearly higher; 4.24 with more votes beats 4.20; equal apps keep their order.
    EXPECT_EQ(Ids(apps), (std::vector<int32_t>{3, 2, 1, 4}));
    EXPECT_FALSE(AppListModel::RanksBefore(*MakeApp(5, 4.0, 99), *MakeApp(6, 4.06, 1), u"rates"));
}

TEST(AppListSortTest, CountsAndTimesDescendTimeAsUnsignedOtherKeysKeepOrder) {
    Apps apps = {MakeApp(1), MakeApp(2), MakeApp(3)};
    apps[0]->downloads = 5, apps[1]->downloads = 50, apps[2]->downloads = 7;
    apps[0]->views = 9, apps[1]->views = 1, apps[2]->views = 3;
    apps[0]->createtime = 0xFFFFFFF0u, apps[1]->createtime = 5, apps[2]->createtime = 0x7FFFFFFFu;
    Apps sorted = apps;
    AppListModel::SortApps(sorted, u"downloads");
    EXPECT_EQ(Ids(sorted), (std::vector<int32_t>{2, 3, 1}));
    AppListModel::SortApps(sorted, u"views");
    EXPECT_EQ(Ids(sorted), (std::vector<int32_t>{1, 3, 2}));
    AppListModel::SortApps(sorted, u"createtime");
    EXPECT_EQ(Ids(sorted), (std::vector<int32_t>{1, 3, 2}));
    AppListModel::SortApps(sorted, u"name");
    EXPECT_EQ(Ids(sorted), (std::vector<int32_t>{1, 3, 2}));
}

TEST(AppListSortTest, ChainsOfNearbyRatingsSortSafely) {
    // Ratings 0.01 apart chain "equal" pairs across the whole range, so the
    // order is not transitive; the sort must still keep every application.
    std::mt19937 random(7);
    Apps apps;
    for (int i = 0; i < 500; ++i) apps.push_back(MakeApp(i, (random() % 500) / 100.0, static_cast<int32_t>(random() % 40)));
    AppListModel::SortApps(apps, u"rates");
    std::vector<int32_t> ids = Ids(apps);
    std::sort(ids.begin(), ids.end());
    for (int i = 0; i < 500; ++i) ASSERT_EQ(ids[static_cast<std::size_t>(i)], i);
}

TEST(AppListFilterTest, FreeKeepsFreePaidKeepsEveryOtherType) {
    Apps apps = {MakeApp(1, 0, 0, u"free"), MakeApp(2, 0, 0, u"paid"), MakeApp(3, 0, 0, u"trial"),
                 MakeApp(4, 0, 0, u""), MakeApp(5, 0, 0, u"free")};
    EXPECT_EQ(Ids(AppListModel::FilterByPrice(apps, u"free")), (std::vector<int32_t>{1, 5}));
    EXPECT_EQ(Ids(AppListModel::FilterByPrice(apps, u"paid")), (std::vector<int32_t>{2, 3, 4}));
    EXPECT_EQ(Ids(AppListModel::FilterByPrice(apps, u"")), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Ids(AppListModel::FilterByPrice(apps, u"cheap")), (std::vector<int32_t>{1, 2, 3, 4, 5}));
}

TEST(AppListRequestTest, ServerListCarriesCountPriceAndSortInOrder) {
    AppListModel::Request r;
    r.count = 25;
    AppListModel top(r, true, false, u"downloads", u"free");
    EXPECT_EQ(Url(top), u"http://h/getapps.php?sessionid=S&count=25&price=free&sort=downloads");

    AppListModel fresh(r, true, true, u"", u"");
    EXPECT_EQ(Url(fresh), u"http://h/getapps.php?sessionid=S&count=25&sort=createtime");
    AppListModel unsorted(r, true, false, u"", u"");
    EXPECT_EQ(unsorted.GetRequest().sort, u"rates");

    // Price and sort changes are asked of the service again.
    EXPECT_EQ(top.ChoosePrice(1), ListChange::Resend);
    EXPECT_EQ(top.ChooseSort(u"views"), ListChange::Resend);
    EXPECT_EQ(Url(top), u"http://h/getapps.php?sessionid=S&count=25&price=paid&sort=views");
    EXPECT_EQ(top.ChoosePrice(0), ListChange::Resend);
    EXPECT_EQ(Url(top), u"http://h/getapps.php?sessionid=S&count=25&sort=views");
}

TEST(AppListRequestTest, EveryParameterInItsPlace) {
    Category cat;
    cat.id = 12;
    AppListModel::Request r;
    r.category = &cat;
    r.query = u"chess";
    r.in = u"name";
    r.tags = u"a,b";
    r.count = 10;
    r.page = 2;
    r.price = u"paid";
    AppListModel m(r, true, false, u"views", u"free");
    EXPECT_EQ(Url(m), u"http://h/getapps.php?sessionid=S&cat=12&query=Y2hlc3M=&in=name&tags=YSxi&count=10&page=2"
                      u"&price=paid&sort=views");
}

TEST(AppListRequestTest, LocalListAsksForEverythingAndRemembersChoices) {
    AppListModel::Request r;
    r.tags = u"games";
    AppListModel m(r, false, false, u"downloads", u"free");
    // The device filters the whole answer, so the remembered price is not sent.
    EXPECT_EQ(Url(m), u"http://h/getapps.php?sessionid=S&tags=Z2FtZXM=&sort=downloads");
    m.OnFirstShown();
    EXPECT_EQ(m.LocalPrice(), u"free");
    EXPECT_EQ(m.LocalSort(), u"downloads");
}

TEST(AppListLocalTest, FilterAndOrderWorkOnTheWholeAnswer) {
    AppListModel m({}, false, false, u"rates", u"free");
    Apps answer = {MakeApp(1, 2.0, 1, u"free"), MakeApp(2, 4.0, 1, u"paid"), MakeApp(3, 3.0, 1, u"free"),
                   MakeApp(4, 5.0, 1, u"trial")};
    m.TakeAnswer(answer);
    EXPECT_EQ(Ids(m.Shown()), (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(m.Received().size(), 4u);

    // Switching free to paid finds the paid ones again, sorted.
    EXPECT_EQ(m.ChoosePrice(1), ListChange::Rebuild);
    EXPECT_EQ(Ids(m.Shown()), (std::vector<int32_t>{4, 2}));
    EXPECT_EQ(m.ChoosePrice(1), ListChange::None);
    EXPECT_EQ(m.ChoosePrice(0), ListChange::Rebuild);
    EXPECT_EQ(Ids(m.Shown()), (std::vector<int32_t>{4, 2, 3, 1}));

    // "No particular order" goes back to the order of the answer.
    EXPECT_EQ(m.ChooseSort(u""), ListChange::Rebuild);
    EXPECT_EQ(Ids(m.Shown()), (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(m.ChooseSort(u""), ListChange::None);
    EXPECT_EQ(Url(m), u"http://h/getapps.php?sessionid=S&sort=rates");
}

TEST(AppListLocalTest, ServerListShowsTheAnswerAsItCame) {
    AppListModel m({}, true, false, u"rates", u"free");
    m.TakeAnswer({MakeApp(1, 1.0, 1, u"paid"), MakeApp(2, 5.0, 1, u"free")});
    EXPECT_EQ(Ids(m.Shown()), (std::vector<int32_t>{1, 2}));
    m.ClearApps();
    EXPECT_TRUE(m.Shown().empty());
    EXPECT_TRUE(m.Received().empty());
}

TEST(AppListChoiceTest, SortRowsMapToKeysAndBack) {
    EXPECT_EQ(AppListModel::SortChoiceStrings(false), (std::vector<int32_t>{12003, 12005, 12006, 12007, 12011}));
    EXPECT_EQ(AppListModel::SortChoiceStrings(true), (std::vector<int32_t>{12005, 12006, 12007, 12011}));
    const std::u16string local[] = {u"", u"rates", u"downloads", u"views", u"createtime"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(AppListModel::SortKeyForChoice(i, false), local[i]);
        EXPECT_EQ(AppListModel::ChoiceForSortKey(local[i], false), i);
        EXPECT_EQ(AppListModel::SortLabelString(local[i]), AppListModel::SortChoiceStrings(false)[static_cast<std::size_t>(i)]);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AppListModel::ChoiceForSortKey(local[i + 1], true), i);
    EXPECT_EQ(AppListModel::SortKeyForChoice(7, true), u"rates");
    EXPECT_EQ(AppListModel::SortKeyForChoice(-1, true), u"rates");
    EXPECT_EQ(AppListModel::SortKeyForChoice(9, false), u"");
    EXPECT_EQ(AppListModel::SortLabelString(u"bogus"), 12003);
    EXPECT_EQ(AppListModel::IndexForPrice(AppListModel::PriceForIndex(2)), 2);
    EXPECT_EQ(AppListModel::IndexForPrice(u"cheap"), 0);
}

}  // namespace
