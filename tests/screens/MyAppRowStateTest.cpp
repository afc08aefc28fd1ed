#include "screens/MyAppRowState.h"

#include <gtest/gtest.h>

namespace {

MyAppFacts Installed(bool inCatalog) {
    MyAppFacts f;
    f.inCatalog = inCatalog;
    f.installed = true;
    f.installedRevision = 3;
    f.catalogRevision = 3;
    f.hasInstallText = true;
    f.executableFound = true;
    return f;
}

TEST(MyAppRowState, InstalledRowsOfferRunAndUninstallAndUpdateOnlyForANewerCatalogRevision) {
    MyAppRowState same = MyAppRowState::From(Installed(true));
    EXPECT_FALSE(same.Busy());
    EXPECT_EQ(same.group, MyAppGroup::Catalog);
    EXPECT_TRUE(same.showRun);
    EXPECT_TRUE(same.showUninstall);
    EXPECT_FALSE(same.showUpdate);
    EXPECT_FALSE(same.showProgress);

    MyAppFacts newer = Installed(true);
    newer.catalogRevision = 4;
    EXPECT_TRUE(MyAppRowState::From(newer).showUpdate);
    newer.hasInstallText = false;  // nothing to fetch
    EXPECT_FALSE(MyAppRowState::From(newer).showUpdate);

    MyAppFacts noExe = Installed(false);
    noExe.executableFound = false;
    MyAppRowState other = MyAppRowState::From(noExe);
    EXPECT_EQ(other.group, MyAppGroup::Other);
    EXPECT_FALSE(other.showRun);
    EXPECT_TRUE(other.showUninstall);
}

TEST(MyAppRowState, APackageInstalledByOtherMeansIsOfferedTheCatalogVersion) {
    MyAppFacts foreign = Installed(true);
    foreign.installedRevision = 0;
    foreign.catalogRevision = 1;
    EXPECT_TRUE(MyAppRowState::From(foreign).showUpdate);
}

TEST(MyAppRowState, JobsShowOnlyTheBarAndTheLaterJobWinsTheCaption) {
    MyAppFacts f = Installed(true);
    f.downloading = true;
    f.progress = 0.4;
    MyAppRowState s = MyAppRowState::From(f);
    EXPECT_EQ(s.caption, MyAppRowState::kDownloading);
    EXPECT_EQ(s.group, MyAppGroup::Busy);
    EXPECT_TRUE(s.showProgress);
    EXPECT_FALSE(s.showRun || s.showUpdate || s.showUninstall);
    EXPECT_DOUBLE_EQ(s.progressValue, 0.4);

    EXPECT_TRUE(s.showCancel);
    f.waitingForLink = true;
    s = MyAppRowState::From(f);
    EXPECT_EQ(s.caption, MyAppRowState::kWaitingForLink);
    EXPECT_DOUBLE_EQ(s.progressValue, 0.4) << "what arrived stays on the bar while the line is away";
    EXPECT_TRUE(s.showCancel);

    f.uninstalling = true;
    EXPECT_EQ(MyAppRowState::From(f).caption, MyAppRowState::kUninstalling);
    f.installing = true;
    s = MyAppRowState::From(f);
    EXPECT_EQ(s.caption, MyAppRowState::kInstalling);
    EXPECT_DOUBLE_EQ(s.progressValue, 0.0) << "the bar only measures downloads";
    EXPECT_FALSE(s.showCancel) << "an installer that runs is not called off";
}

// Nothing of the application is on the device: never Run, Update or
// Uninstall. A failed first installation stays among the jobs with what went
// wrong and a way to try again; a row whose package was removed shows nothing.
TEST(MyAppRowState, ARowWithNothingOnTheDeviceOffersNoUpdateNorUninstall) {
    struct Case {
        MyAppFailure failure;
        int32_t caption;
        MyAppGroup group;
        bool retry;
    };
    const Case cases[] = {
        {MyAppFailure::Download, MyAppRowState::kDownloadFailed, MyAppGroup::Busy, true},
        {MyAppFailure::Install, MyAppRowState::kInstallFailed, MyAppGroup::Busy, true},
        {MyAppFailure::None, 0, MyAppGroup::Catalog, false},
    };
    for (const Case& c : cases) {
        MyAppFacts f;
        f.inCatalog = true;
        f.catalogRevision = 2;
        f.hasInstallText = true;
        f.progress = 0.7;
        f.failure = c.failure;
        const MyAppRowState s = MyAppRowState::From(f);
        EXPECT_EQ(s.caption, c.caption);
        EXPECT_EQ(s.group, c.group);
        EXPECT_EQ(s.showRetry, c.retry);
        EXPECT_EQ(s.showProgress, c.retry) << "the bar carries the failure";
        EXPECT_DOUBLE_EQ(s.progressValue, 0.0);
        EXPECT_FALSE(s.Busy());
        EXPECT_FALSE(s.showUninstall || s.showUpdate || s.showRun);
    }
    // Once the package is there, a failure of an update changes nothing.
    MyAppFacts updated = Installed(true);
    updated.failure = MyAppFailure::Download;
    EXPECT_TRUE(MyAppRowState::From(updated).showUninstall);
    EXPECT_FALSE(MyAppRowState::From(updated).showRetry);
}

TEST(MyAppRowState, OnlyADownloadBetweenItsEndsKeepsTheGroups) {
    EXPECT_FALSE(MyAppRowState::Regroups(App::StatusDownload, 0.5));
    EXPECT_TRUE(MyAppRowState::Regroups(App::StatusDownload, 0.0));
    EXPECT_TRUE(MyAppRowState::Regroups(App::StatusDownload, 1.0));
    EXPECT_TRUE(MyAppRowState::Regroups(App::StatusInstall, 0.5));
}

TEST(GroupMyApps, GroupsInOrderWithHeadersOnlyForNonEmptyGroupsKeepingRowOrder) {
    using G = MyAppGroup;
    EXPECT_TRUE(GroupMyApps({}).empty());
    const auto entries = GroupMyApps({G::Other, G::Catalog, G::Busy, G::Other, G::Busy});
    const std::vector<MyAppListEntry> expected = {
        {true, G::Busy, 0},  {false, G::Busy, 2},  {false, G::Busy, 4}, {true, G::Other, 0},
        {false, G::Other, 0}, {false, G::Other, 3},
    };
    // The catalog group sits between the two.
    std::vector<MyAppListEntry> withCatalog = expected;
    withCatalog.insert(withCatalog.begin() + 3, {{true, G::Catalog, 0}, {false, G::Catalog, 1}});
    EXPECT_EQ(entries, withCatalog);
    EXPECT_EQ(MyAppRowState::HeaderString(G::Busy), 11010);
    EXPECT_EQ(MyAppRowState::HeaderString(G::Catalog), 11011);
    EXPECT_EQ(MyAppRowState::HeaderString(G::Other), 11012);
}

}  // namespace
