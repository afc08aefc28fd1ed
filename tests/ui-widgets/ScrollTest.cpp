#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "WidgetTestSupport.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

using namespace widgets;
using Keys = ScrollView::Keys;

// A 200 x 200 list of 25 rows of 40 pixels, each counting its clicks. The
// bar is 4 pixels wide, so a drag starts beyond 8 pixels and a fling needs
// more than 6 pixels a frame.
struct ScrollTest : WidgetFixture, ::testing::Test {
    shared_ptr<ScrollView> view{new ScrollView()};
    std::vector<int> clicks = std::vector<int>(25, 0);
    double now = 1.0;

    ScrollTest() {
        view->SetClock([this] { return now; });
        view->SetRect(Rect(0, 0, 200, 200));
        Root().AddChild(view);
        for (int i = 0; i < 25; ++i) {
            auto row = NewObject(0, i * 40, 200, 40);
            SubscribeFn(row->Touched(), [this, i](shared_ptr<GObject>&, const Touch& t) {
                if (t.type == Touch::Click) ++clicks[i];
            });
            view->GetContent()->AddChild(row);
        }
        view->GetContent()->SetSize(200, 1000);
    }
    int ContentY() { return view->GetContent()->Y(); }
    // A stroke of the finger from y0 to y1 at x 50, `seconds` long.
    void Stroke(int y0, int y1, double seconds) {
        Down(50, y0);
        Move(50, y0 + (y1 - y0) / 2);
        now += seconds;
        Move(50, y1);
        Up(50, y1);
    }
};

TEST_F(ScrollTest, AMoveOfTwiceTheBarWidthStillClicksOneMoreDrags) {
    Down(50, 100);
    Move(50, 108);
    Up(50, 108);
    EXPECT_EQ(clicks[2], 1);
    EXPECT_EQ(ContentY(), 0);

    Down(50, 100);
    Move(50, 91);
    Up(50, 91);
    EXPECT_EQ(clicks[2], 1) << "the drag belongs to the list";
    EXPECT_EQ(ContentY(), -9);
}

// The finger goes down on a label (the content takes the down) and pulls
// the list past either end, lifting over another row: nothing was tapped.
TEST_F(ScrollTest, ADragFromALabelPastEitherEndClicksNothing) {
    view->GetContent()->Children()[0]->SetTouchEnabled(false);
    view->GetContent()->Children()[24]->SetTouchEnabled(false);
    for (const auto& [from, to, y] : {std::tuple{20, 140, 0}, std::tuple{180, 60, -800}}) {
        view->GetContent()->SetPosition(0, y);
        Down(50, from);
        for (int step = 1; step <= 4; ++step) Move(50, from + (to - from) * step / 4);
        Up(50, to);
        Frames(20);
        EXPECT_EQ(ContentY(), y) << "the list springs back";
    }
    for (int c : clicks) EXPECT_EQ(c, 0);
    Tap(50, 100);
    EXPECT_EQ(clicks[22], 1) << "the next tap still clicks";
}

TEST_F(ScrollTest, BounceKeysAreADampedSpringOfSixteenFrames) {
    const Keys top = ScrollView::BounceToTopKeys(100);
    const std::vector<int> topValues{100, 90, 57, 25, 3, -7, -9, -7, -4, -1, 0, 0, 0, 0, 0};
    ASSERT_EQ(top.size(), 16u);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(top[i], (std::pair<int, int>(i, topValues[i]))) << i;
    EXPECT_EQ(top[15], (std::pair<int, int>(16, 0)));

    // Content 500 high in a view of 200, pulled up to -400: the gap of 100
    // below its bottom closes on -300.
    const Keys bottom = ScrollView::BounceToBottomKeys(200, 500, -400);
    const std::vector<int> bottomValues{-400, -390, -357, -325, -303, -292, -290, -292,
                                        -295, -298, -300, -300, -300, -300, -300};
    for (int i = 0; i < 15; ++i) EXPECT_EQ(bottom[i].second, bottomValues[i]) << i;
    EXPECT_EQ(bottom[15], (std::pair<int, int>(16, -300)));
}

TEST_F(ScrollTest, ContentPulledBeyondTheTopSpringsBack) {
    Down(50, 50);
    Move(50, 90);  // 40 down from the top: it follows at half speed
    const int pulled = ContentY();
    EXPECT_EQ(pulled, 40);
    Move(50, 130);
    EXPECT_EQ(ContentY(), 60) << "beyond the end the content moves half the finger's step";
    Up(50, 130);
    Frames(1);
    EXPECT_EQ(ContentY(), ScrollView::BounceToTopKeys(60)[1].second);
    Frames(15);
    EXPECT_EQ(ContentY(), 0);
}

TEST_F(ScrollTest, ShortContentAlwaysReturnsToTheTop) {
    view->GetContent()->SetSize(200, 100);
    Down(50, 50);
    Move(50, 20);
    Up(50, 20);
    EXPECT_LT(ContentY(), 0);
    Frames(16);
    EXPECT_EQ(ContentY(), 0);
}

TEST_F(ScrollTest, AFlingSlowerThanOneAndAHalfBarWidthsMakesNoFrames) {
    EXPECT_TRUE(ScrollView::FlingKeys(6.0, 0, 1000, 200, 4).empty());
    EXPECT_TRUE(ScrollView::FlingKeys(-6.0, -300, 1000, 200, 4).empty());
    const Keys keys = ScrollView::FlingKeys(-20.0, 0, 1000, 200, 4);
    const std::vector<int> first{-19, -37, -54, -70, -85};
    ASSERT_EQ(keys.size(), 24u);
    for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(keys[i], (std::pair<int, int>(int(i), first[i])));
    EXPECT_EQ(keys.back().second, -269);

    // 40 pixels in 0.4 s is 5 pixels a frame: the list stops with the finger.
    Stroke(150, 110, 0.4);
    const int y = ContentY();
    Frames(30);
    EXPECT_EQ(ContentY(), y);
    // The same stroke in 0.1 s runs on.
    Stroke(150, 110, 0.1);
    Frames(30);
    EXPECT_LT(ContentY(), y - 40 - 20);
}

TEST_F(ScrollTest, AFlingIsMeasuredFromTheLastReversal) {
    Down(50, 150);
    Move(50, 100);
    now += 0.05;
    Move(50, 60);
    now += 0.5;  // a long way up, slowly; then quickly back down
    Move(50, 70);
    now += 0.1;
    Move(50, 100);
    Up(50, 100);
    const int y = ContentY();
    Frames(1);
    EXPECT_GT(ContentY(), y) << "the list runs on downwards, the way of the last stroke";
}

TEST_F(ScrollTest, ATapOnAFastListOnlyStopsIt) {
    Down(50, 150);
    Move(50, 130);
    now += 0.01;
    Move(50, 110);
    Up(50, 110);
    Frames(1);
    ASSERT_GT(view->MovedDistance(), 8);
    const int y = ContentY();
    Down(50, 100);
    Up(50, 100);
    Frames(10);
    EXPECT_EQ(ContentY(), y);
    for (int c : clicks) EXPECT_EQ(c, 0);
}

TEST_F(ScrollTest, SnapModeCentresTheNearestItem) {
    // View 200 high, items 40: an item is centred when content y = 80 mod 40.
    EXPECT_EQ(ScrollView::NearestItemY(-15, 200, 40), 0);
    EXPECT_EQ(ScrollView::NearestItemY(-25, 200, 40), -40);
    EXPECT_EQ(ScrollView::NearestItemY(115, 200, 40), 120) << "nearer below than above";
    EXPECT_EQ(ScrollView::NearestItemY(95, 200, 40), 80);

    view->SetSnap(true);
    view->SetItemHeight(40);
    Down(50, 100);
    Move(50, 75);
    Up(50, 75);
    EXPECT_EQ(ContentY(), -25);
    Frames(3);
    EXPECT_EQ(ContentY(), -40);
}

TEST_F(ScrollTest, TheThumbShowsTheVisibleShare) {
    const shared_ptr<ScrollView::Bar>& thumb = view->GetScrollBar();
    EXPECT_EQ(thumb->GetRect(), Rect(196, 0, 4, 40));
    view->GetContent()->SetPosition(0, -500);
    EXPECT_EQ(thumb->GetRect(), Rect(196, 100, 4, 40));
    // Content that fits the view does not scroll: no bar, even while pulled.
    for (int height : {200, 100}) {
        view->GetContent()->SetPosition(0, 0);
        view->GetContent()->SetSize(200, height);
        EXPECT_EQ(thumb->Height(), 0) << height;
    }
    Down(50, 50);
    Move(50, 90);
    EXPECT_GT(ContentY(), 0);
    EXPECT_EQ(thumb->Height(), 0);
}

}  // namespace
