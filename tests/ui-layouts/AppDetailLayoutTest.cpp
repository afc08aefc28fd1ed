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

    // The button column (next y 196) ends below the description (138); the
    // list gets three font units per tag.
    ExpectPlaced(*page, {{D::Icon, {7, 7, 56, 56}},           {D::PublisherCaption, {70, 7, 60, 28}},
                         {D::Publisher, {137, 7, 96, 28}},    {D::VersionCaption, {70, 42, 60, 28}},
                         {D::Version, {137, 42, 96, 28}},     {D::DescriptionCaption, {70, 77, 163, 28}},
                         {D::Description, {70, 98, 163, 40}}, {D::FirstButton, {7, 70, 56, 56}},
                         {D::SecondButton, {7, 133, 56, 56}}, {D::RatingCaption, {7, 196, 120, 28}},
                         {D::Stars, {7, 224, 105, 21}},       {D::VoteCount, {119, 224, 56, 21}},
                         {D::ScreenshotsLink, {7, 252, 219, 35}}, {D::ReviewsLink, {7, 287, 219, 35}},
                         {D::WriteReviewLink, {7, 322, 219, 35}}, {D::ListCaption, {7, 357, 226, 28}},
                         {D::List, {0, 385, 240, 84}}});
    EXPECT_EQ(page->Height(), 469 + 7);
}

TEST_F(AppDetailLayoutTest, ALongDescriptionPushesTheRatingDownAndMissingPartsTakeNoRoom) {
    AddDescription(200);
    AddChildren(*page, {D::ThirdButton, D::RatingCaption, D::VoteCount, D::ReviewsLink});
    page->SetLayout(shared_ptr<Layout>(new AppDetailLayout(0, 21)));
    // The only button starts the column; without stars the count moves left.
    ExpectPlaced(*page, {{D::ThirdButton, {7, 70, 56, 56}}, {D::RatingCaption, {7, 298, 120, 28}},
                         {D::VoteCount, {14, 326, 56, 21}}, {D::ReviewsLink, {7, 354, 219, 35}}});
}

TEST_F(AppDetailLayoutTest, MeasuredCaptionsPushTheValuesRightButLeaveThemAThirdOfTheTextColumn) {
    AddChildren(*page, {D::PublisherCaption, D::Publisher, D::VersionCaption, D::Version});
    // Unmeasured, the captions get 3f and 5f, the values start at fixed
    // columns and are half the page wide, past its right edge.
    page->SetLayout(shared_ptr<Layout>(new AppDetailLayout(0, 21)));
    ExpectPlaced(*page, {{D::PublisherCaption, {70, 7, 42, 28}}, {D::Publisher, {119, 7, 120, 28}},
                         {D::VersionCaption, {70, 42, 70, 28}}, {D::Version, {147, 42, 120, 28}}});
    // A caption wider than two thirds of the 163-pixel text column is cut there.
    page->SetLayout(shared_ptr<Layout>(new AppDetailLayout(0, 21, 500)));
    ExpectPlaced(*page, {{D::PublisherCaption, {70, 7, 108, 28}}, {D::Version, {185, 42, 48, 28}}});
}

}  // namespace
