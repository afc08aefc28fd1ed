#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/AppDetailLayout.h"

namespace {

class AppDetailLayoutTest : public ::testing::Test {
protected:
    using D = AppDetailLayout;
    // f = 14, u = 7: the value column k = 3f + 9u = 105.
    MetricsScope metrics{14};
    shared_ptr<GObject> page = Box(240, 1);

    void AddDescription(int32_t height) {
        page->AddChild(shared_ptr<GObject>(new FittingText(height)), D::Description);
    }
};

TEST_F(AppDetailLayoutTest, AFullPageOfAnInstalledApplication) {
    AddChildren(*page, {D::Icon, D::PublisherCaption, D::Publisher, D::VersionCaption, D::Version,
                        D::DescriptionCaption});
    AddDescription(40);
    AddChildren(*page, {D::FirstButton, D::SecondButton, D::RatingCaption, D::Stars, D::VoteCount,
                        D::ScreenshotsLink, D::ReviewsLink, D::WriteReviewLink, D::ListCaption});
    auto tags = Box(1, 1);
    AddChildren(*tags, {-1, -1});
    page->AddChild(tags, D::List);
    // As the details screen makes it: the captions measured (60 pixels).
    page->SetLayout(shared_ptr<Layout>(new AppDetailLayout(105, 21, 60)));

    EXPECT_EQ(RectOf(*page, D::Icon), Rect(7, 7, 56, 56));
    EXPECT_EQ(RectOf(*page, D::PublisherCaption), Rect(70, 7, 60, 28));
    EXPECT_EQ(RectOf(*page, D::Publisher), Rect(137, 7, 96, 28));
    EXPECT_EQ(RectOf(*page, D::VersionCaption), Rect(70, 42, 60, 28));
    EXPECT_EQ(RectOf(*page, D::Version), Rect(137, 42, 96, 28));
    EXPECT_EQ(RectOf(*page, D::DescriptionCaption), Rect(70, 77, 163, 28));
    EXPECT_EQ(RectOf(*page, D::Description), Rect(70, 98, 163, 40));
    EXPECT_EQ(RectOf(*page, D::FirstButton), Rect(7, 70, 56, 56));
    EXPECT_EQ(RectOf(*page, D::SecondButton), Rect(7, 133, 56, 56));
    // The button column (next y 196) ends below the description (138).
    EXPECT_EQ(RectOf(*page, D::RatingCaption), Rect(7, 196, 120, 28));
    EXPECT_EQ(RectOf(*page, D::Stars), Rect(7, 224, 105, 21));
    EXPECT_EQ(RectOf(*page, D::VoteCount), Rect(119, 224, 56, 21));
    EXPECT_EQ(RectOf(*page, D::ScreenshotsLink), Rect(7, 252, 219, 35));
    EXPECT_EQ(RectOf(*page, D::ReviewsLink), Rect(7, 287, 219, 35));
    EXPECT_EQ(RectOf(*page, D::WriteReviewLink), Rect(7, 322, 219, 35));
    EXPECT_EQ(RectOf(*page, D::ListCaption), Rect(7, 357, 226, 28));
    EXPECT_EQ(RectOf(*page, D::List), Rect(0, 385, 240, 84)) << "three font units per tag";
    EXPECT_EQ(page->Height(), 469 + 7);
}

TEST_F(AppDetailLayoutTest, ALongDescriptionPushesTheRatingDownAndMissingPartsTakeNoRoom) {
    AddDescription(200);
    AddChildren(*page, {D::ThirdButton, D::RatingCaption, D::VoteCount, D::ReviewsLink});
    page->SetLayout(shared_ptr<Layout>(new AppDetailLayout(0, 21)));
    EXPECT_EQ(RectOf(*page, D::ThirdButton), Rect(7, 70, 56, 56)) << "the only button starts the column";
    EXPECT_EQ(RectOf(*page, D::RatingCaption), Rect(7, 298, 120, 28));
    EXPECT_EQ(RectOf(*page, D::VoteCount), Rect(14, 326, 56, 21)) << "no stars: the count moves left";
    EXPECT_EQ(RectOf(*page, D::ReviewsLink), Rect(7, 354, 219, 35));
}

TEST_F(AppDetailLayoutTest, MeasuredCaptionsPushTheValuesRightButLeaveThemAThirdOfTheTextColumn) {
    AddChildren(*page, {D::PublisherCaption, D::Publisher, D::VersionCaption, D::Version});
    // Unmeasured, the captions get 3f and 5f, the values start at fixed
    // columns and are half the page wide, past its right edge.
    page->SetLayout(shared_ptr<Layout>(new AppDetailLayout(0, 21)));
    EXPECT_EQ(RectOf(*page, D::PublisherCaption), Rect(70, 7, 42, 28));
    EXPECT_EQ(RectOf(*page, D::Publisher), Rect(119, 7, 120, 28));
    EXPECT_EQ(RectOf(*page, D::VersionCaption), Rect(70, 42, 70, 28));
    EXPECT_EQ(RectOf(*page, D::Version), Rect(147, 42, 120, 28));
    // A caption wider than two thirds of the 163-pixel text column is cut there.
    page->SetLayout(shared_ptr<Layout>(new AppDetailLayout(0, 21, 500)));
    EXPECT_EQ(RectOf(*page, D::PublisherCaption), Rect(70, 7, 108, 28));
    EXPECT_EQ(RectOf(*page, D::Version), Rect(185, 42, 48, 28));
}

}  // namespace
