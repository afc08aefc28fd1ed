// The advertising strip of the store program against catalogd: the device's
// HTML viewer shows catalogd's pages under the main menu, and its links go
// through the device's browser.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include "support/StoreProgramFixture.h"
#include "platform/process/Process.h"
#include "platform/window/ScreenShot.h"

using ::testing::HasSubstr;
using nlohmann::json;

namespace {

constexpr int kCloseButtonId = 1000;
constexpr int kSceneContainerId = -30;
const char* const kSignIn = "wait-idle\nkey soft1\nwait-idle\n";
const char* const kHeaderTap = "tap-text Main menu\nwait-idle\n";

json Strip(const json& tree) {
    for (const auto& w : tree["windows"])
        if (w["class"] == "DISPLAYCLASS") return w;
    return nullptr;
}

const json* FindId(const json& node, int id) {
    if (node.value("id", 0) == id) return &node;
    for (const auto& child : node["children"])
        if (const json* found = FindId(child, id)) return found;
    return nullptr;
}

// A tap in the middle of a dumped rectangle (screen coordinates, as taps take them).
std::string TapAt(const json& rect) {
    const int x = rect[0].get<int>() + rect[2].get<int>() / 2;
    const int y = rect[1].get<int>() + rect[3].get<int>() / 2;
    return "tap " + std::to_string(x) + " " + std::to_string(y) + "\nwait-idle\n";
}

class AdStripStoreTest : public StoreProgramFixture {
protected:
    bool WithAdStrip() const override { return true; }
    std::string Base() const { return text::Utf16ToUtf8(server.BaseUrl()); }
};

TEST_P(AdStripStoreTest, AppearsAfterConfigReloadsOnTheTenthTapAndComesBackAfterItWasClosed) {
    LiveStore store(*device, Base());
    const std::string shot = ShotFile("main-menu-ads");
    store.Say(std::string(kSignIn) + "screenshot " + shot + "\n");
    const json shown = store.Dump();
    const json strip = Strip(shown);
    ASSERT_FALSE(strip.is_null());
    ASSERT_TRUE(strip["visible"]);
    const std::string ad = strip["text"];
    EXPECT_THAT(ad, HasSubstr("Open in Tobrix"));

    // The strip takes the bottom five lines; the screen above ends where it begins.
    const json* scenes = FindId(shown, kSceneContainerId);
    ASSERT_NE(scenes, nullptr);
    const json& screen = (*scenes)["children"].back()["rect"];
    EXPECT_EQ(screen[1].get<int>() + screen[3].get<int>(), strip["rect"][1]);
    // A drawn advertisement, not a blank strip: its icon, words and colours.
    std::vector<std::uint16_t> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(platform::ReadScreenPng(shot, pixels, width, height));
    std::set<std::uint16_t> colours;
    const int top = strip["rect"][1].get<int>();
    for (int y = top + 1; y < height; ++y)
        for (int x = 0; x < width; ++x) colours.insert(pixels[static_cast<size_t>(y) * width + x]);
    EXPECT_GT(colours.size(), 20u);

    for (int i = 0; i < 9; ++i) store.Say(kHeaderTap);
    EXPECT_EQ(Strip(store.Dump())["text"], ad);
    store.Say(kHeaderTap);  // the tenth: the next advertisement in turn
    EXPECT_NE(Strip(store.Dump())["text"], ad);

    const json* close = FindId(shown, kCloseButtonId);
    ASSERT_NE(close, nullptr);
    store.Say(TapAt((*close)["rect"]));
    const json closed = store.Dump();
    EXPECT_FALSE(Strip(closed)["visible"]);
    EXPECT_FALSE((*FindId(closed, kCloseButtonId))["visible"]);
    EXPECT_EQ((*FindId(closed, kSceneContainerId))["children"].back()["rect"][3],
              (*FindId(closed, kSceneContainerId))["rect"][3]);
    // Waiting lets the headless clock run to the strip's timer (five minutes).
    store.Say("sleep 100\nwait-idle\n");
    const json back = store.Dump();
    EXPECT_TRUE(Strip(back)["visible"]);
    EXPECT_THAT(Strip(back)["text"].get<std::string>(), HasSubstr("Open in Tobrix"));
    EXPECT_EQ(store.Finish().exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Profiles, AdStripStoreTest, ::testing::ValuesIn(kProfiles), ProfileName);

using AdLinkStoreTest = AdStripStoreTest;
using AdFollowStoreTest = AdStripStoreTest;

// A finger taps the strip; a device without a touch screen walks the keys
// down to it (past the page's stops and the close button) and presses Enter.
TEST_P(AdFollowStoreTest, ALinkGoesThroughTheBrowserToTheAdvertisedApplication) {
    // The store the link starts hands over to this one and ends; it runs
    // headless like this one.
    const auto quit = device->Scratch("second.txt");
    std::ofstream(quit) << "quit\n";
    ::setenv("TOBRIX_HEADLESS_SCRIPT", quit.c_str(), 1);
    LiveStore store(*device, Base());
    store.Say(kSignIn);
    const json menu = store.Dump();
    const json strip = Strip(menu);
    ASSERT_TRUE(strip.is_object() && strip["visible"]);
    store.Say(Small() ? std::string("key-until down | #1001\nkey enter\nwait-idle\n") : TapAt(strip["rect"]));
    // The details are those of the advertised application: its name led the
    // advertisement, and the description opens with "<name> by <publisher>".
    // A page opened by a link has an empty title and first shows while its
    // answer is on the way, so wait for the description.
    const std::string ad = strip["text"];
    const auto named = [&ad](const json& tree) {
        if (Shows(tree, "Main menu")) return false;
        for (const auto& label : ShownTexts(tree)) {
            const auto by = label.find(" by ");
            if (by != std::string::npos && by > 3 && ad.rfind(label.substr(0, by + 1), 0) == 0) return true;
        }
        return false;
    };
    const json details = store.DumpUntil(named);
    ::unsetenv("TOBRIX_HEADLESS_SCRIPT");
    EXPECT_FALSE(Strip(details)["visible"]);
    EXPECT_TRUE(named(details)) << ad;
    EXPECT_EQ(store.Finish().exitCode, 0);

    // A web link is only written down by the browser.
    auto browser = platform::CreateDeviceProcess(u"\\Windows\\iexplore.exe", u"http://example.invalid/offer");
    int code = -1;
    ASSERT_TRUE(browser && browser->Wait(&code));
    EXPECT_EQ(code, 0);
    std::ifstream log(device->Root() / "launch.log");
    const std::string logged((std::istreambuf_iterator<char>(log)), {});
    EXPECT_THAT(logged, ::testing::ContainsRegex("\\\\Windows\\\\iexplore.exe\ttobrix://[0-9]+/\n"));
    EXPECT_THAT(logged, HasSubstr("\\Windows\\iexplore.exe\thttp://example.invalid/offer\n"));
}

TEST_P(AdLinkStoreTest, RussianAsksForTheRussianPage) {
    // The language the store kept from its last run.
    ASSERT_TRUE(Localization::Instance().SetCurrentLanguage(u"ru"));
    ASSERT_TRUE(RememberDemoSignIn(*device));
    const auto dump = device->Scratch("ru.json");
    StoreRun run = RunStore(*device, std::string(kSignIn) + "dump-tree " + dump.string() + "\nquit\n", Base());
    ASSERT_TRUE(Succeeded(run));
    EXPECT_THAT(Strip(ReadTree(dump))["text"].get<std::string>(), HasSubstr("Открыть в Tobrix"));
}

INSTANTIATE_TEST_SUITE_P(Profiles, AdFollowStoreTest, ::testing::ValuesIn(kProfiles), ProfileName);
INSTANTIATE_TEST_SUITE_P(Vga, AdLinkStoreTest, ::testing::ValuesIn(kVga), ProfileName);

}  // namespace
