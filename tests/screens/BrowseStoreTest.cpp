#include <gtest/gtest.h>

#include "StoreProgramFixture.h"

// The tobrix program itself, headless, browsing a seeded catalogd: signed in
// with remembered credentials, as a person would use it.
namespace {

class BrowseStoreTest : public StoreProgramFixture {
protected:
    std::string Shot(const std::string& name) const { return ShotFile("store-" + name); }
};

TEST_P(BrowseStoreTest, SignInLeadsToTheMenuAndTheCatalogLists) {
    const std::string tree = device->Scratch("tree.json").string();
    StoreRun run = Run("expect-text Main menu\n"
                       "screenshot " + Shot("menu") + "\n"
                       "tap-text Categories\nwait-idle\n"
                       "expect-text All categories\n"
                       "tap-text Games(6)\nwait-idle\n"
                       "expect-text All applications(6)\n"
                       "tap-text All applications(6)\nwait-idle\n"
                       "expect-text By downloads\n"
                       "screenshot " + Shot("games") + "\n"
                       "key soft1\nwait-idle\nkey soft1\nwait-idle\nkey soft1\nwait-idle\n"
                       "tap-text Top\nwait-idle\n"
                       "tap-text Free\nwait-idle\n"
                       "screenshot " + Shot("top-free") + "\n"
                       "dump-tree " + tree + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto texts = ShownTexts(ReadTree(tree));
    EXPECT_TRUE(Shows(ReadTree(tree), "Free"));
    // Every row of the free top list says so.
    int paid = 0, free = 0;
    for (const auto& t : texts) {
        if (t == "Trial" || t == "Demo") ++paid;
        if (t == "Free") ++free;
    }
    EXPECT_EQ(paid, 0);
    EXPECT_GT(free, 2);  // the radio option and at least two rows
}

TEST_P(BrowseStoreTest, ExpiredSessionGoesBackToSignIn) {
    CatalogServer shortSessions({"--session-idle", "1"});
    ASSERT_TRUE(shortSessions.Running()) << shortSessions.Error();
    StoreRun run = Run(shortSessions,
                       "expect-text Main menu\n"
                       "sleep 2500\n"
                       "tap-text Top\nwait-idle\n"
                       "expect-text Your session has expired. Please sign in again.\n"
                       "key soft1\nwait-idle\n"
                       "expect-text Sign in\n"
                       "screenshot " + Shot("expired") + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
}

INSTANTIATE_TEST_SUITE_P(Profiles, BrowseStoreTest, ::testing::Values("wm65-vga", "wm5-sp-176x220"), ProfileName);

}  // namespace
