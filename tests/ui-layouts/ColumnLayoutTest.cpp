#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/ReviewLayout.h"
#include "ui/layouts/ReviewsLayout.h"
#include "ui/layouts/ScreenshotsLayout.h"
#include "ui/layouts/TextLayout.h"

namespace {

TEST(TextLayoutTest, LabelsStackAtTheirFittedHeightsWithinTheColumn) {
    MetricsScope metrics(14);
    auto view = Box(200, 300);
    auto column = Box(200, 1);
    view->AddChild(column);
    shared_ptr<FittingText> first(new FittingText(30)), second(new FittingText(45));
    auto plain = Box(10, 12);
    column->AddChild(first);
    column->AddChild(plain);
    column->AddChild(second);
    column->SetLayout(shared_ptr<Layout>(new TextLayout()));
    // u = 7; width = 200 - 7 - 14
    EXPECT_EQ(first->GetRect(), Rect(7, 7, 179, 30));
    EXPECT_EQ(plain->GetRect(), Rect(7, 37, 179, 12)) << "no text to fit: keeps its height";
    EXPECT_EQ(second->GetRect(), Rect(7, 49, 179, 45));
    EXPECT_EQ(first->askedWidths.back(), 179);
    EXPECT_EQ(column->Height(), 94);
}

TEST(ReviewsLayoutTest, EachReviewGetsRoomForItsBottomLineWhichFollowsIt) {
    MetricsScope metrics(14);
    auto column = Box(200, 1);
    shared_ptr<FittingText> review(new FittingText(30));
    auto author = Box(1, 1), stars = Box(1, 1);
    review->AddChild(author, ReviewLayout::Author);
    review->AddChild(stars, ReviewLayout::Stars);
    review->SetLayout(shared_ptr<Layout>(new ReviewLayout(105, 21)));
    column->AddChild(review);
    shared_ptr<FittingText> next(new FittingText(10));
    column->AddChild(next);
    column->SetLayout(shared_ptr<Layout>(new ReviewsLayout()));
    EXPECT_EQ(review->GetRect(), Rect(7, 7, 179, 30 + 42));
    EXPECT_EQ(next->GetRect(), Rect(7, 79, 179, 52));
    // The item's own layout ran at its new size: half a unit above its bottom.
    EXPECT_EQ(author->GetRect(), Rect(0, 44, 74, 21));
    EXPECT_EQ(stars->GetRect(), Rect(74, 44, 105, 21));
}

shared_ptr<LatePicture> Picture(int32_t w, int32_t h) {
    shared_ptr<LatePicture> p(new LatePicture());
    p->width = w;
    p->height = h;
    p->arrived = true;
    p->SetRect(Rect(0, 0, 1, 1));
    return p;
}

// Wide and loading shots are the remote image's; here, a narrow shot keeps
// its size, and a picture without width or height takes no room instead of
// dividing by zero.
TEST(ScreenshotsLayoutTest, NarrowShotsKeepTheirSizeAndEmptyPicturesTakeNoRoom) {
    MetricsScope metrics{14};
    auto view = Box(300, 200), list = Box(300, 1);
    view->AddChild(list);
    auto caption1 = Box(1, 1), caption2 = Box(1, 1), caption3 = Box(1, 1);
    auto narrow = Picture(200, 100), empty = Picture(0, 0), flat = Picture(300, 0);
    for (auto& o : std::vector<shared_ptr<GObject>>{caption1, narrow, caption2, empty, caption3, flat})
        list->AddChild(o);
    list->SetLayout(shared_ptr<Layout>(new ScreenshotsLayout()));
    EXPECT_EQ(narrow->GetRect(), Rect(14, 35, 200, 100));
    EXPECT_EQ(caption2->GetRect(), Rect(14, 149, 272, 28));
    for (auto& unplaced : {empty, flat}) EXPECT_EQ(unplaced->GetRect(), Rect(0, 0, 1, 1));
    EXPECT_EQ(caption3->GetRect(), Rect(14, 177, 272, 28));
}

}  // namespace
