#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/ListLayout.h"
#include "ui/layouts/TableLayout.h"

namespace {

TEST(ListLayoutTest, ShortRowsAreOneAndAHalfFontUnitsAndRowsTouch) {
    MetricsScope metrics(14);
    auto list = Box(200, 10);
    auto rows = AddChildren(*list, {-1, -1, -1});
    list->SetLayout(shared_ptr<Layout>(new ListLayout(40, {0})));
    for (auto [row, rect] : {std::pair{0, Rect(0, 0, 200, 21)}, {1, Rect(0, 21, 200, 40)}, {2, Rect(0, 61, 200, 40)}})
        EXPECT_EQ(rows[row]->GetRect(), rect) << row;
    EXPECT_EQ(list->Height(), 101);

    // A row added later lands under the others, and the width follows the list.
    auto more = Box(1, 1);
    list->AddChild(more);
    EXPECT_EQ(more->GetRect(), Rect(0, 101, 200, 40));
    list->SetSize(120, list->Height());
    EXPECT_EQ(rows[1]->Width(), 120);
    EXPECT_EQ(list->Height(), 141);
}

class TableLayoutTest : public ::testing::Test {
protected:
    MetricsScope metrics{14};
    shared_ptr<GObject> form = Box(240, 10);
};

TEST_F(TableLayoutTest, SingleCellsAreCentredAndLaterCellsFollowOneSpacingApart) {
    auto cells = AddChildren(*form, {-1, -1, -1, -1});
    form->SetLayout(shared_ptr<Layout>(new TableLayout({{0, 0.5, 1}, {1, 0.5, 1}, {1, 0.5, 1}, {2, 1.0, 2}}, 10, 20)));
    // inner width 220: the half-width single cell starts at 10 + (220 - 105) / 2
    const Rect expected[] = {Rect(67, 10, 90, 20), Rect(10, 40, 100, 20), Rect(120, 40, 100, 20), Rect(15, 70, 200, 40)};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(cells[i]->GetRect(), expected[i]) << i;  // the last spans two rows
    EXPECT_EQ(form->Height(), 110 + 10);
}

TEST_F(TableLayoutTest, ChildrenWithoutTheirDescriptorsStayWhereTheyAre) {
    form->SetLayout(shared_ptr<Layout>(new TableLayout({{0, 0.5, 1}, {0, 0.5, 1}}, 10, 20)));
    auto first = Box(1, 1);
    first->SetPosition(5, 6);
    form->AddChild(first);
    EXPECT_EQ(first->GetRect(), Rect(5, 6, 1, 1));
    form->AddChild(Box(1, 1));
    EXPECT_EQ(first->GetRect(), Rect(10, 10, 100, 20)) << "complete now";
    form->AddChild(Box(1, 1));
    form->SetSize(300, form->Height());
    EXPECT_EQ(first->GetRect(), Rect(10, 10, 100, 20)) << "one child too many: left as it was";
}

}  // namespace
