// The tobrix program as a process: its start-up checks and the hand-over
// from a second start.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "base/Text.h"

namespace {

TEST(ProgramTest, AMissingProgramFileIsNamedOnOneLineAndEndsTheStart) {
    StoreDevice device;
    std::filesystem::remove(device.ProgramFile("dialog.png"));
    StoreRun run = RunStore(device, "quit\n", "");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "tobrix: missing program file \\Program Files\\Tobrix\\dialog.png\n");
}

TEST(ProgramTest, ASecondStartHandsItsIdToTheRunningStoreWhichOpensItAfterSignIn) {
    CatalogServer catalog;
    ASSERT_TRUE(catalog.Running()) << catalog.Error();
    StoreDevice device;
    LiveStore first(device, U8(catalog.BaseUrl()));
    first.Say("wait-idle\n");
    ASSERT_FALSE(first.Dump().is_null());

    StoreRun second = RunStore(device, "quit\n", "", {"\"tobrix://9/\""}, 30);  // Web Reader
    EXPECT_TRUE(Succeeded(second));

    // Before the main menu exists the id waits; the menu opens it once the
    // catalog knows the device.
    first.Say("wait-idle\ntap-text Login:\ntype demo\ntap-text Password:\ntype demo\nkey soft1\nwait-idle\n"
              "key soft2\nwait-idle\nkey soft2\nwait-idle\n");
    const auto tree = first.Dump();
    EXPECT_EQ(first.Finish().exitCode, 0);
    // Sign-in, first-run settings, main menu, and the application on top.
    size_t scenes = 0;
    for (const auto& child : tree["children"])
        if (child["id"] == -30) scenes = child["children"].size();
    EXPECT_EQ(scenes, 4u);
    EXPECT_FALSE(Shows(tree, "Main menu"));
    // On top, the handed-over application's page: its description names it.
    EXPECT_TRUE(ShowsStart(tree, "Web Reader by Orbit."));
    EXPECT_FALSE(Shows(tree, "Error"));
}

}  // namespace
