#include <gtest/gtest.h>

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
    // The finger goes down at the first y of `path`, moves through the rest
    // (each point `seconds` after the last) and lifts at the last.
    void Stroke(std::vector<int> path, double seconds = 0) {
        Down(50, path.front());
        for (size_t i = 1; i < path.size(); ++i) {
            now += seconds;
            Move(50, path[i]);
        }
        Up(50, path.back());
    }
};

// What a stroke leaves: the row it clicked (-1: none) and where the list
// rests. A move of twice the bar width still clicks, one pixel more drags; a
// drag from a label (the content takes the down) past either end, lifted
// over another row, clicks nothing; a slow fling stops with the finger, a
// fast one runs on; a tap on a fast list only stops it.
TEST_F(ScrollTest, ADragNeverTaps) {
    view->GetContent()->Children()[0]->SetTouchEnabled(false);
    view->GetContent()->Children()[24]->SetTouchEnabled(false);
    struct Row {
        const char* name;
        int startY;
        std::vector<int> path;
        double seconds;
        int clicked, restY;
    } rows[] = {
        {"eight pixels", 0, {100, 108}, 0, 2, 0},
        {"nine pixels", 0, {100, 91}, 0, -1, -9},
        {"from a label past the top", 0, {20, 50, 80, 110, 140}, 0, -1, 0},
        {"from a label past the bottom", -800, {180, 150, 120, 90, 60}, 0, -1, -800},
        {"slow fling", 0, {150, 130, 110}, 0.4, -1, -40},
        {"fast fling", 0, {150, 130, 110}, 0.1, -1, -309},
        {"a fling downwards from the last reversal", -400, {150, 100, 60, 70, 100}, 0.1, -1, -180},
        {"a tap on a fast list", -400, {100}, 0, -1, -720},
    };
    for (const Row& row : rows) {
        view->GetContent()->SetPosition(0, row.startY);
        if (row.path.size() == 1) {  // the list is flying when the tap comes
            Stroke({150, 130, 110}, 0.01);
            Frames(1);
        }
        Stroke(row.path, row.seconds);
        Frames(30);
        for (int i = 0; i < 25; ++i) EXPECT_EQ(clicks[i], i == row.clicked) << row.name << " " << i;
        EXPECT_EQ(ContentY(), row.restY) << row.name;
        clicks.assign(25, 0);
    }
    view->GetContent()->SetPosition(0, 0);
    Tap(50, 100);
    EXPECT_EQ(clicks[2], 1) << "the next tap still clicks";
}

// A fling slower than one and a half bar widths a frame makes no frames; a
// bounce is a damped spring of sixteen frames.
TEST_F(ScrollTest, FlingAndBounceKeys) {
    EXPECT_TRUE(ScrollView::FlingKeys(6.0, 0, 1000, 200, 4).empty());
    EXPECT_TRUE(ScrollView::FlingKeys(-6.0, -300, 1000, 200, 4).empty());
    const Keys fling = ScrollView::FlingKeys(-20.0, 0, 1000, 200, 4);
    ASSERT_EQ(fling.size(), 24u);
    EXPECT_EQ(fling[4], (std::pair<int, int>(4, -85)));
    EXPECT_EQ(fling.back().second, -269);

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
