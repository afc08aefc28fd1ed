#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/ControlBarLayout.h"

namespace {

using C = ControlBarLayout;

// f = 12: a gap of 4. A bar 152 wide has thirds of (152 - 8) / 3 = 48,
// whatever the captions: a long one is cut, the thirds stay.
TEST(ControlBarLayoutTest, ButtonsKeepTheirThirdsAndTheSideButtonSharesTheBarWithTheWideControl) {
    MetricsScope metrics{12};
    auto bar = Box(152, 18);
    for (auto [id, natural] : {std::pair{C::LeftButton, 41}, {C::MiddleButton, 22}, {C::RightButton, 90}})
        bar->AddChild(shared_ptr<GObject>(new FittingText(14, natural)), id);
    AddChildren(*bar, {C::WideControl});
    bar->SetLayout(shared_ptr<Layout>(new ControlBarLayout()));
    ExpectPlaced(*bar, {{C::LeftButton, {0, 0, 48, 18}}, {C::MiddleButton, {52, 0, 48, 18}},
                        {C::RightButton, {104, 0, 48, 18}}, {C::WideControl, {0, 0, 144, 18}}});

    AddChildren(*bar, {C::SideButton});
    bar->GetLayout()->Update(3);
    // Two thirds and the gap between them for the wide control.
    ExpectPlaced(*bar, {{C::SideButton, {104, 0, 48, 18}}, {C::WideControl, {0, 0, 100, 18}}});

    shared_ptr<GObject> side;
    ASSERT_TRUE(bar->FindChildById(C::SideButton, side));
    side->SetVisible(false);
    bar->GetLayout()->Update(3);
    EXPECT_EQ(RectOf(*bar, C::WideControl), Rect(0, 0, 144, 18)) << "a hidden side button takes no room";
}

}  // namespace
