#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "UiTestSupport.h"
#include "ui/layouts/BoxLayout.h"
#include "ui/layouts/SwitchLayout.h"
#include "ui/layouts/SwitcherLayout.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

// The slide itself is checked through the switch the screens use; here, a
// switch laid out before it is on a server is already in place, and a
// viewport holding more than its strip is no switch.
TEST(SwitcherLayoutTest, ASwitchLaidOutBeforeItIsShownIsAlreadyInPlace) {
    auto viewport = Box(84, 28);
    shared_ptr<widgets::Movable> strip(new widgets::Movable());
    AddChildren(*strip, {-1, -1, -1});
    strip->SetLayout(shared_ptr<Layout>(new SwitchLayout()));
    viewport->AddChild(strip);
    viewport->SetLayout(shared_ptr<Layout>(new SwitcherLayout()));
    EXPECT_EQ(strip->X(), -42);
    viewport->SetFocusable(true);
    viewport->GetLayout()->Update(LayoutAnimated);
    EXPECT_EQ(strip->X(), 0);
    // A second child is not a switch: left alone.
    viewport->AddChild(Box(1, 1));
    viewport->SetFocusable(false);
    viewport->GetLayout()->Update(LayoutAnimated);
    EXPECT_EQ(strip->X(), 0);
}

// Where the box rests is the popup box's; here, a plain re-layout in the
// middle of its slide ends the slide in place.
TEST(BoxLayoutTest, APlainRelayoutEndsTheSlideInPlace) {
    RecordingServer server;
    auto layer = Box(240, 320);
    shared_ptr<widgets::MovableImage> box(new widgets::MovableImage());
    layer->AddChild(box, BoxLayout::Box);
    layer->AddChild(Box(1, 1));
    server.GetRoot()->AddChild(layer);
    layer->SetLayout(shared_ptr<Layout>(new BoxLayout()));
    box->SetPosition(0, 320);
    layer->GetLayout()->Update(LayoutAnimated);
    EXPECT_EQ(box->GetRect(), Rect(0, 320, 240, 160)) << "sized at once, moved by frames";
    server.Tick(true, false);
    EXPECT_GT(box->Y(), 160);
    EXPECT_LT(box->Y(), 320);
    layer->GetLayout()->Update(LayoutRelayout);
    EXPECT_EQ(box->Y(), 160);
    for (int i = 0; i < BoxLayout::SlideFrames; ++i) server.Tick(true, false);
    EXPECT_EQ(box->Y(), 160);
}

}  // namespace
