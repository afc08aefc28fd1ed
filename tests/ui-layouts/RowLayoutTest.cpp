#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/AppListItemLayout.h"
#include "ui/layouts/SwitchItemLayout.h"
#include "ui/layouts/TreeItemLayout.h"
#include "ui/layouts/TwoStageTreeItemLayout.h"

namespace {

using T = TreeItemLayout;

TEST(TreeItemLayoutTest, IconLabelArrowAndBadge) {
    auto row = Box(200, 50);
    AddChildren(*row, {T::Icon, T::Label, T::Arrow, T::Badge});
    row->SetLayout(shared_ptr<Layout>(new TreeItemLayout(7, 16, 24)));
    EXPECT_EQ(RectOf(*row, T::Icon), Rect(7, 7, 36, 36));
    EXPECT_EQ(RectOf(*row, T::Badge), Rect(31, 0, 18, 18)) << "over the icon's upper right corner";
    EXPECT_EQ(RectOf(*row, T::Arrow), Rect(177, 13, 16, 24));
    EXPECT_EQ(RectOf(*row, T::Label), Rect(50, 7, 120, 36));
}

TEST(TreeItemLayoutTest, WithoutIconAndArrowTheLabelTakesTheWholeRow) {
    auto row = Box(200, 50);
    AddChildren(*row, {T::Label});
    row->SetLayout(shared_ptr<Layout>(new TreeItemLayout(7, 16, 24)));
    EXPECT_EQ(RectOf(*row, T::Label), Rect(7, 7, 186, 36));
}

TEST(TwoStageTreeItemLayoutTest, TwoLinesShareTheRowBesideTheIcon) {
    using S = TwoStageTreeItemLayout;
    auto row = Box(200, 60);
    AddChildren(*row, {S::Icon, S::Arrow, S::UpperLine, S::LowerLine});
    row->SetLayout(shared_ptr<Layout>(new TwoStageTreeItemLayout(7, 16, 24)));
    EXPECT_EQ(RectOf(*row, S::Icon), Rect(7, 7, 46, 46));
    EXPECT_EQ(RectOf(*row, S::Arrow), Rect(177, 18, 16, 24));
    EXPECT_EQ(RectOf(*row, S::UpperLine), Rect(60, 7, 110, 19));
    EXPECT_EQ(RectOf(*row, S::LowerLine), Rect(60, 33, 110, 19));
}

TEST(SwitchItemLayoutTest, TheSwitchIsSixByTwoFontUnitsWhateverItWasBuiltWith) {
    using S = SwitchItemLayout;
    MetricsScope metrics(14);
    auto row = Box(240, 50);
    AddChildren(*row, {S::Icon, S::Label, S::Switch});
    row->SetLayout(shared_ptr<Layout>(new SwitchItemLayout(7, 999, 999)));
    EXPECT_EQ(RectOf(*row, S::Icon), Rect(7, 7, 36, 36));
    EXPECT_EQ(RectOf(*row, S::Switch), Rect(149, 11, 84, 28));
    EXPECT_EQ(RectOf(*row, S::Label), Rect(50, 7, 92, 36));
}

class AppListItemLayoutTest : public ::testing::Test {
protected:
    using A = AppListItemLayout;
    // f = 14 with 32-pixel icons; margin u, stars 1.5 f high and five stars wide.
    MetricsScope metrics{14, 96, 32};
    shared_ptr<GObject> row = Box(240, 70);
    shared_ptr<Layout> layout{new AppListItemLayout(7, 16, 24, 105, 21)};
};

TEST_F(AppListItemLayoutTest, CatalogRow) {
    AddChildren(*row, {A::Icon, A::Name, A::SecondLine, A::Price, A::Arrow, A::Stars, A::VoteCount,
                       A::InstalledState});
    row->SetLayout(layout);
    EXPECT_EQ(RectOf(*row, A::Icon), Rect(7, 7, 32, 32));
    EXPECT_EQ(RectOf(*row, A::Name), Rect(46, 7, 194, 16));
    EXPECT_EQ(RectOf(*row, A::SecondLine), Rect(46, 23, 129, 16));
    EXPECT_EQ(RectOf(*row, A::Price), Rect(154, 23, 56, 16));
    EXPECT_EQ(RectOf(*row, A::Arrow), Rect(217, 23, 16, 24));
    EXPECT_EQ(RectOf(*row, A::Stars), Rect(7, 42, 105, 21));
    EXPECT_EQ(RectOf(*row, A::VoteCount), Rect(119, 42, 56, 21));
    EXPECT_EQ(RectOf(*row, A::InstalledState), Rect(126, 42, 98, 21));
}

TEST_F(AppListItemLayoutTest, CompactRowOnADenseScreen) {
    MetricsScope dense(24, 192, 64);
    row->SetSize(480, 120);
    AddChildren(*row, {A::Icon, A::Name, A::Arrow, A::Holder});
    row->SetLayout(shared_ptr<Layout>(new AppListItemLayout(12, 32, 48, 0, 36)));
    EXPECT_EQ(RectOf(*row, A::Icon), Rect(12, 12, 64, 64));
    EXPECT_EQ(RectOf(*row, A::Name), Rect(88, 12, 392, 32));
    EXPECT_EQ(RectOf(*row, A::Arrow), Rect(436, 36, 32, 48));
    EXPECT_EQ(RectOf(*row, A::Holder), Rect(12, 72, 424, 36));
}

}  // namespace
