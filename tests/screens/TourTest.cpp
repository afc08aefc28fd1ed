// `make run`'s headless tour, run against the test build so that CI covers
// it without an optimised build of its own.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "../apps/CatalogServer.h"
#include "../shell/StoreRun.h"
#include "base/Text.h"

namespace {

// The tour taps by text, so it runs on the small screen as on the large one.
class TourTest : public ::testing::TestWithParam<std::string> {};

TEST_P(TourTest, TheDemoTourRunsToItsEndAndWritesItsScreenshots) {
    CatalogServer catalog;
    ASSERT_TRUE(catalog.Running()) << catalog.Error();
    StoreDevice device(GetParam());
    std::ifstream in(std::string(TOBRIX_SOURCE_DIR) + "/scripts/tour.script");
    ASSERT_TRUE(in.good());
    // The tour writes into the folder it runs in; here that is the device's
    // scratch folder.
    std::string script, line;
    std::vector<std::string> shots;
    const std::string command = "screenshot ";
    while (std::getline(in, line)) {
        if (line.rfind(command, 0) == 0) {
            shots.push_back(line.substr(command.size()));
            line = command + device.Scratch(shots.back()).string();
        }
        script += line + "\n";
    }
    StoreRun run = RunStore(device, script, U8(catalog.BaseUrl()));
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    for (const auto& shot : shots) EXPECT_GT(std::filesystem::file_size(device.Scratch(shot)), 1000u) << shot;
    EXPECT_GE(shots.size(), 8u);
}

INSTANTIATE_TEST_SUITE_P(Profiles, TourTest, ::testing::Values("wm65-vga", "wm5-sp-176x220"),
                         [](const auto& info) { return info.param == "wm65-vga" ? "Vga" : "Smartphone"; });

}  // namespace
