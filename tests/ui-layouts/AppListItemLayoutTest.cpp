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
    ExpectPlaced(*row, {{A::Icon, {7, 7, 32, 32}}, {A::Name, {46, 7, 194, 16}}, {A::SecondLine, {46, 23, 129, 16}},
                        {A::Price, {154, 23, 56, 16}}, {A::Arrow, {217, 23, 16, 24}}, {A::Stars, {7, 42, 105, 21}},
                        {A::VoteCount, {119, 42, 56, 21}}, {A::InstalledState, {126, 42, 98, 21}}});
}

// The vote count never runs under the installed state's text: it ends where
// that text begins, and gives way when what is left cannot hold it.
TEST_F(AppListItemLayoutTest, TheVoteCountEndsWhereTheInstalledStateBegins) {
    struct Case {
        int width, stateText, expectedVotes;
    } cases[] = {{240, 56, 42}, {240, 90, 0}, {320, 56, 56}};
    for (const Case& c : cases) {
        shared_ptr<GObject> r = Box(c.width, 70);
        r->AddChild(shared_ptr<GObject>(new FittingText(0, 30)), A::VoteCount);
        r->AddChild(shared_ptr<GObject>(new FittingText(0, c.stateText)), A::InstalledState);
        r->AddChild(Box(1, 1), A::Stars);
        r->SetLayout(shared_ptr<Layout>(new AppListItemLayout(7, 16, 24, 105, 21)));
        const Rect votes = RectOf(*r, A::VoteCount);
        EXPECT_EQ(votes.width, c.expectedVotes) << c.width << " " << c.stateText;
        if (votes.width > 0) {
            EXPECT_LE(votes.Right(), c.width - 16 - c.stateText - 7);
        }
    }
}

TEST_F(AppListItemLayoutTest, CompactRowOnADenseScreen) {
    MetricsScope dense(24, 192, 64);
    row->SetSize(480, 120);
    AddChildren(*row, {A::Icon, A::Name, A::Arrow, A::Holder});
    row->SetLayout(shared_ptr<Layout>(new AppListItemLayout(12, 32, 48, 0, 36)));
    ExpectPlaced(*row, {{A::Icon, {12, 12, 64, 64}}, {A::Name, {88, 12, 392, 32}}, {A::Arrow, {436, 36, 32, 48}},
                        {A::Holder, {12, 72, 424, 36}}});
}

}  // namespace
