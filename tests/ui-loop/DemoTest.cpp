#include <gtest/gtest.h>

#include <thread>

#include "support/DemoProcess.h"
#include "DemoScene.h"
#include "platform/window/ScreenShot.h"
#include "ui/WMSurface.h"

// Scripted headless runs of the demo: a 480 x 640 screen gives a unit of 20
// pixels, so Red is at (20, 60, 120, 120), Green at (180, 60, ...), Blue at
// (340, 60, ...) and the text box at (20, 220, 440, 50).

TEST(VeltraDemo, ATapIsADownAndAnUpOnTheSameTileAndSlidingOffCancelsIt) {
    DemoDevice device(480, 640);
    const auto tree = device.File("tree.json");
    DemoRun run = RunScript(device, R"(
tap-text Red
wait-idle
expect-text Clicks: 1 0 0
expect-text Touch: Red click
# moving within the tile is still a tap: no movement threshold
down 80 120
move 100 150
up 100 150
wait-idle
expect-text Clicks: 2 0 0
# down on Red, slide to Green, lift there: Green sees the up, nobody clicks
down 80 120
move 240 120
up 240 120
wait-idle
expect-text Clicks: 2 0 0
expect-text Touch: Green up
dump-tree )" + tree.string() + "\n");
    ASSERT_TRUE(Succeeded(run));
    auto json = ReadJson(tree);
    ASSERT_NE(FindByText(json, "Red"), nullptr);
    EXPECT_FALSE((*FindByText(json, "Red"))["pressed"].get<bool>());
    EXPECT_FALSE((*FindByText(json, "Green"))["pressed"].get<bool>());
    // The click animation ran to its end: the tile is back, opaque.
    EXPECT_EQ((*FindByText(json, "Red"))["transparency"], 255);
    EXPECT_EQ((*FindByText(json, "Red"))["rect"], nlohmann::json({20, 60, 120, 120}));
    EXPECT_EQ(json["type"], "DemoScene");
}

TEST(VeltraDemo, KeysGoToTheFocusAndSoftKeysClearItAndHideThePanelOnce) {
    DemoDevice device(480, 640);
    const auto tree = device.File("tree.json");
    DemoRun run = RunScript(device, R"(
key down
expect-text Key: 4
tap-text Type here
expect-text Panel: shown 1, hidden 0
type Hello, Мир!
key delete
expect-text Key: 9
expect-text Hello, Мир!
# tapping the focused box again does not show the panel twice
tap-text Hello, Мир!
expect-text Panel: shown 1, hidden 0
dump-tree )" + tree.string() + R"(
key soft1
expect-text Panel: shown 1, hidden 1
expect-text Soft keys: 1
expect-text Key: 5
expect-text Type here
tap-text Type here
expect-text Panel: shown 2, hidden 1
# a tap on the background takes the focus away, and the panel with it
tap 470 630
expect-text Panel: shown 2, hidden 2
key soft2
wait-idle
key soft2
wait-idle
expect-text Soft keys: 3
)");
    ASSERT_TRUE(Succeeded(run));
    auto json = ReadJson(tree);
    auto* box = FindByText(json, "Hello, Мир!");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE((*box)["focused"].get<bool>());
}

TEST(VeltraDemo, NarrowWindowsLoseOneOrTwoPixelsOfWidth) {
    struct Case {
        int screen, height, window;
        std::string expected;
    } cases[] = {
        {240, 320, 200, "Window: 199x294"},  // narrower than 410: one pixel
        {480, 640, 400, "Window: 398x588"},  // otherwise two
        {480, 640, 480, "Window: 480x588"},  // as wide as the screen: unchanged
    };
    for (const auto& c : cases) {
        DemoDevice device(c.screen, c.height);
        DemoRun run = RunScript(device, "expect-text " + c.expected + "\n",
                                {"--window-width", std::to_string(c.window)});
        EXPECT_EQ(run.exitCode, 0) << c.expected << ": " << run.errors;
    }
}

TEST(VeltraDemo, AFailingCommandNamesItsLineAndFailsTheRun) {
    DemoDevice device(240, 320);
    const std::pair<std::string, std::string> cases[] = {
        {"wait-idle\nexpect-text Clicks: 9 9 9\n", "line 2: expect-text Clicks: 9 9 9: no shown label"},
        {"tap-text Purple\n", "line 1: tap-text Purple: no shown label"},
        {"# fine\n\ntap 1\n", "line 3: tap 1: expected two whole numbers"},
        {"key home\n", "line 1: key home: unknown key"},
        {"jump 3\n", "line 1: jump 3: unknown command"},
        {"wait-idle soon\n", "not a number of seconds"},
        {"screenshot /nonexistent-folder/x.png\n", "cannot create"},
    };
    for (const auto& [script, why] : cases) {
        DemoRun run = RunScript(device, script);
        EXPECT_EQ(run.exitCode, 2) << script;
        EXPECT_NE(run.errors.find(why), std::string::npos) << run.errors;
    }
    DemoProcess missing(device, {"--script", device.File("none.txt").string()});
    EXPECT_EQ(missing.Wait().exitCode, 1);
}

TEST(VeltraDemo, ASecondStartHandsItsNumberToTheFirstAndExitsZero) {
    DemoDevice device(240, 320);
    DemoProcess first(device, {});  // script typed on standard input
    ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(device.File("VeltraDemo.sock")); }));
    // The check must have run before the hand-over can arrive: the tree dump
    // after it says it has, however slowly this build runs.
    const auto checked = device.File("checked.json");
    first.Write("expect-text Hand-over: none\ndump-tree " + checked.string() + "\n");
    ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(checked); })) << first.Wait(1).errors;

    DemoProcess second(device, {"--hand-over", "77"});
    DemoRun secondRun = second.Wait();
    EXPECT_TRUE(Succeeded(secondRun));

    first.Write("expect-text Hand-over: 77\nquit\n");
    DemoRun firstRun = first.Wait();
    EXPECT_TRUE(Succeeded(firstRun));
    // The first one is gone: a new start runs on its own.
    DemoRun alone = RunScript(device, "expect-text Hand-over: none\n", {"--hand-over", "5"});
    EXPECT_TRUE(Succeeded(alone));
}

TEST(VeltraDemo, TheScreenshotIsExactlyTheFrameOfTheTree) {
    DemoDevice device(480, 640);
    const auto shot = device.File("shot.png");
    DemoRun run = RunScript(device, "wait-idle\nscreenshot " + shot.string() + "\n");
    ASSERT_TRUE(Succeeded(run));

    // The same scene drawn here the way a frame is drawn: white, then the tree.
    shared_ptr<DemoScene> scene(new DemoScene(480, 640));
    scene->SetWindowSize(480, 640);
    WMSurface surface(480, 640);
    surface.FillRect(Rect(0, 0, 480, 640), 0xFFFF);
    scene->DrawTree(surface);

    std::vector<std::uint16_t> pixels;
    int w = 0, h = 0;
    ASSERT_TRUE(platform::ReadScreenPng(shot, pixels, w, h));
    ASSERT_EQ(w, 480);
    ASSERT_EQ(h, 640);
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (pixels[static_cast<std::size_t>(y) * w + x] != surface.PixelAt(x, y)) ++differing;
    EXPECT_EQ(differing, 0);
    // And it is not a blank frame.
    EXPECT_EQ(surface.PixelAt(30, 70), pixels[70 * 480 + 30]);
    EXPECT_NE(pixels[70 * 480 + 30], 0xFFFF);
}
