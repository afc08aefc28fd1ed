#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/AppListItemLayout.h"

namespace {

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
