#include "shell/AdStrip.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/FakeAdViewer.h"

namespace {

struct StripFixture : ::testing::Test {
    FakeAdViewer viewer;
    bool closeShown = false;
    std::vector<unsigned> timers;
    int timerStops = 0;
    std::vector<std::u16string> browsed;
    std::u16string language = u"en";
    AdStrip strip{viewer, u"http://ads.invalid/",
                  AdStrip::Hooks{[this](bool v) { closeShown = v; }, [this](unsigned ms) { timers.push_back(ms); },
                                 [this] { ++timerStops; }, [this](const std::u16string& l) { browsed.push_back(l); },
                                 [this] { return language; }}};

    void StartShowing() {
        strip.Enable();
        strip.Show(true);
        strip.Reload();
    }
};

// Hidden until enabled; taps count only while it shows, the tenth reloads
// once; closed it stays away five minutes and comes back with a new page; a
// link goes to the browser and puts it away for ten. (Which page a language
// asks for, and that taps reach it at all, are the program's walks.)
TEST_F(StripFixture, ItsLifeFollowsTheTapsTheCloseButtonAndLinks) {
    strip.Show(true);
    for (int i = 0; i < 9; ++i) strip.OnStylusUp();
    EXPECT_FALSE(viewer.visible);
    EXPECT_FALSE(closeShown);
    EXPECT_EQ(strip.TapCount(), 0);
    StartShowing();
    EXPECT_TRUE(viewer.visible);
    EXPECT_TRUE(closeShown);
    for (int i = 0; i < 9; ++i) strip.OnStylusUp();
    EXPECT_EQ(viewer.pages.size(), 1u);
    strip.OnStylusUp();
    EXPECT_EQ(viewer.pages.size(), 2u);
    EXPECT_EQ(strip.TapCount(), 0);

    strip.OnCloseTapped();
    EXPECT_FALSE(viewer.visible);
    EXPECT_FALSE(closeShown);
    EXPECT_FALSE(strip.IsEnabled());
    ASSERT_EQ(timers, std::vector<unsigned>{300000u});
    strip.Show(true);  // a screen asking while it is away changes nothing
    EXPECT_FALSE(viewer.visible);
    strip.OnTimer();
    EXPECT_TRUE(strip.IsEnabled());
    EXPECT_TRUE(viewer.visible);
    EXPECT_TRUE(closeShown);
    EXPECT_EQ(viewer.pages.size(), 3u);
    EXPECT_EQ(timerStops, 1);

    strip.OnLinkTapped(u"http://example.invalid/app?x=1");
    EXPECT_EQ(browsed, std::vector<std::u16string>{u"http://example.invalid/app?x=1"});
    EXPECT_FALSE(viewer.visible);
    EXPECT_FALSE(strip.IsEnabled());
    EXPECT_EQ(timers, (std::vector<unsigned>{300000u, 600000u}));
}

TEST_F(StripFixture, SitsAlongTheBottomWithItsBorderOffScreen) {
    strip.Place(480, 588, 24);
    EXPECT_EQ(viewer.placed, (std::vector<int>{-1, 588 - 120, 482, 121}));
}

}  // namespace
