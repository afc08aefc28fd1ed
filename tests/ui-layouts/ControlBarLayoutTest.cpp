#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/ControlBarLayout.h"

namespace {

using C = ControlBarLayout;

class ControlBarLayoutTest : public ::testing::Test {
protected:
    // Buttons whose captions are `update`, `run` and `uninstall` pixels wide.
    void Build(int32_t width, int32_t update, int32_t run, int32_t uninstall) {
        bar = Box(width, 18);
        for (auto [id, natural] : {std::pair{C::LeftButton, update}, {C::MiddleButton, run}, {C::RightButton, uninstall}})
            bar->AddChild(shared_ptr<GObject>(new FittingText(14, natural)), id);
        bar->SetLayout(shared_ptr<Layout>(new ControlBarLayout()));
    }
    void Hide(int32_t id) {
        shared_ptr<GObject> child;
        ASSERT_TRUE(bar->FindChildById(id, child));
        child->SetVisible(false);
        bar->GetLayout()->Update(3);
    }
    MetricsScope metrics{12};
    shared_ptr<GObject> bar;
};

TEST_F(ControlBarLayoutTest, CaptionsThatFitTheirThirdsKeepTheEqualThirds) {
    Build(452, 85, 46, 104);
    Hide(C::LeftButton);
    EXPECT_EQ(RectOf(*bar, C::MiddleButton), Rect(152, 0, 148, 18));
    EXPECT_EQ(RectOf(*bar, C::RightButton), Rect(304, 0, 148, 18));
}

TEST_F(ControlBarLayoutTest, ANarrowBarGivesEachShownButtonItsCaptionAtTheRightEnd) {
    // Thirds of 48: "Uninstall" (52 + 8) does not fit. The shown buttons keep
    // their order and end where the thirds end (3 * 48 + 2 * 4 = 152).
    Build(152, 41, 22, 52);
    Hide(C::LeftButton);
    const Rect run = RectOf(*bar, C::MiddleButton), uninstall = RectOf(*bar, C::RightButton);
    EXPECT_EQ(uninstall, Rect(152 - 60, 0, 60, 18));
    EXPECT_EQ(run, Rect(152 - 60 - 4 - 48, 0, 48, 18)) << "a short caption keeps a third";

    // All three shown: thirds would overflow, so each gets its caption and an
    // equal share of what is left, filling the span.
    bar->RemoveAllChildren();
    Build(152, 41, 22, 52);
    const Rect update = RectOf(*bar, C::LeftButton);
    const Rect run3 = RectOf(*bar, C::MiddleButton), uninstall3 = RectOf(*bar, C::RightButton);
    EXPECT_GE(update.width, 49);
    EXPECT_GE(run3.width, 30);
    EXPECT_GE(uninstall3.width, 60);
    EXPECT_EQ(run3.x, update.Right() + 4);
    EXPECT_EQ(uninstall3.x, run3.Right() + 4);
    EXPECT_LE(uninstall3.Right(), 152);
    EXPECT_GE(update.x, 0);
}

TEST_F(ControlBarLayoutTest, CaptionsTooWideForTheBarShareItEqually) {
    Build(152, 80, 80, 80);
    const Rect a = RectOf(*bar, C::LeftButton), c = RectOf(*bar, C::RightButton);
    EXPECT_EQ(a.width, c.width);
    EXPECT_GE(a.x, 0);
    EXPECT_LE(c.Right(), 152);
}

}  // namespace
