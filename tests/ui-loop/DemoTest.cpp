#include <gtest/gtest.h>

#include "support/DemoProcess.h"
#include "DemoScene.h"
#include "platform/window/ScreenShot.h"
#include "ui/WMSurface.h"

// Scripted headless runs of the demo: a 480 x 640 screen gives a unit of 20
// pixels, so Red is at (20, 60, 120, 120), Green at (180, 60, ...), Blue at
// (340, 60, ...) and the text box at (20, 220, 440, 50).

// The one walk through the real program: taps, a stroke that slides off, keys
// to the focus, typed text, and the soft key that clears the focus and hides
// the panel once. The rules themselves are held by the object and loop suites.
TEST(VeltraDemo, TapsKeysTextAndSoftKeysThroughTheRealLoop) {
    DemoDevice device(480, 640);
    DemoRun run = RunScript(device, R"(
tap-text Red
wait-idle
expect-text Clicks: 1 0 0
# down on Red, slide to Green, lift there: Green sees the up, nobody clicks
down 80 120
move 240 120
up 240 120
wait-idle
expect-text Clicks: 1 0 0
expect-text Touch: Green up
key down
expect-text Key: 4
tap-text Type here
expect-text Panel: shown 1, hidden 0
type Hello, Мир!
expect-text Hello, Мир!
key soft1
expect-text Panel: shown 1, hidden 1
expect-text Soft keys: 1
expect-text Type here
)");
    EXPECT_TRUE(Succeeded(run));
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

TEST(VeltraDemo, TheScreenshotIsExactlyTheFrameOfTheTree) {
    DemoDevice device(480, 640);
    const auto shot = device.File("shot.png");
    ASSERT_TRUE(Succeeded(RunScript(device, "wait-idle\nscreenshot " + shot.string() + "\n")));

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
    EXPECT_NE(pixels[70 * 480 + 30], 0xFFFF) << "not a blank frame";
}
