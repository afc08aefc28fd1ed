// `make run`'s headless tour, run against the test build so that CI covers
// it without an optimised build of its own.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "base/Text.h"

namespace {

// The tour taps by text, so it runs on the small screen as on the large one;
// a device without a touch screen gets the tour that uses the keys alone.
// Each checks the layout of every screen it photographs, on all five
// profiles.
struct Tour {
    std::string profile, script, name;
};

class TourTest : public ::testing::TestWithParam<Tour> {};

TEST_P(TourTest, TheDemoTourRunsToItsEndAndWritesItsScreenshots) {
    CatalogServer catalog;
    ASSERT_TRUE(catalog.Running()) << catalog.Error();
    // With the device's HTML viewer, as `make run` has it: the keys tour
    // walks to the advertising strip's stops.
    StoreDevice device(GetParam().profile, true);
    std::ifstream in(std::string(TOBRIX_SOURCE_DIR) + "/scripts/" + GetParam().script);
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
    ASSERT_TRUE(Succeeded(run));
    for (const auto& shot : shots) EXPECT_GT(std::filesystem::file_size(device.Scratch(shot)), 1000u) << shot;
    EXPECT_GE(shots.size(), 8u);
    if (GetParam().script != "tour-keys.script") return;
    // Enter on Run and on About's support link reached the device's programs.
    const std::string launched = ReadAll(device.Root() / "launch.log");
    EXPECT_NE(launched.find("\\Program Files\\"), std::string::npos) << launched;
    EXPECT_NE(launched.find("browser\thttp://www.tobrix.example/support"), std::string::npos) << launched;
}

INSTANTIATE_TEST_SUITE_P(Profiles, TourTest,
                         ::testing::Values(Tour{"wm65-vga", "tour.script", "Vga"},
                                           Tour{"wm6-qvga", "tour.script", "Qvga"},
                                           Tour{"wm65-wvga", "tour.script", "Wvga"},
                                           Tour{"wm5-sp-176x220", "tour.script", "Smartphone"},
                                           Tour{"wm5-sp-176x220", "tour-keys.script", "SmartphoneKeysOnly"},
                                           Tour{"wm65-sp-320x240", "tour-keys.script", "Smartphone320KeysOnly"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
