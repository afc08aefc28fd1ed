#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "UiTestSupport.h"
#include "ui/layouts/BoxLayout.h"
#include "ui/layouts/SwitchLayout.h"
#include "ui/layouts/SwitcherLayout.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

class SwitcherLayoutTest : public ::testing::Test {
protected:
    SwitcherLayoutTest() {
        for (int i = 0; i < 3; ++i) parts.push_back(Box(1, 1));
        for (auto& p : parts) strip->AddChild(p);
        strip->SetLayout(shared_ptr<Layout>(new SwitchLayout()));
        viewport->AddChild(strip);
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) server.Tick(true, false);
    }

    RecordingServer server;
    shared_ptr<GObject> viewport = Box(84, 28);
    shared_ptr<widgets::Movable> strip{new widgets::Movable()};
    std::vector<shared_ptr<GObject>> parts;
};

TEST_F(SwitcherLayoutTest, TheStripSlidesToZeroWhenOnAndToMinusHalfTheWidthWhenOff) {
    server.GetRoot()->AddChild(viewport);
    viewport->SetLayout(shared_ptr<Layout>(new SwitcherLayout()));
    EXPECT_EQ(strip->Width(), 126);
    EXPECT_EQ(parts[2]->GetRect(), Rect(42, 0, 42, 28)) << "the toggler in the strip's middle third";
    Frames(SwitcherLayout::SlideFrames);
    EXPECT_EQ(strip->X(), -42) << "off";

    parts[0]->SetVisible(false);  // as the switch hides the covered background
    viewport->SetFocusable(true);
    viewport->GetLayout()->Update(LayoutAnimated);
    EXPECT_TRUE(parts[0]->IsVisible()) << "both backgrounds show during the slide";
    Frames(1);
    EXPECT_GT(strip->X(), -42);
    EXPECT_LT(strip->X(), 0);
    Frames(SwitcherLayout::SlideFrames - 1);
    EXPECT_EQ(strip->X(), 0) << "on";
    Frames(1);
    EXPECT_EQ(server.AnimatorCount(), 0u) << "the slide has ended";
}

TEST_F(SwitcherLayoutTest, ASwitchLaidOutBeforeItIsShownIsAlreadyInPlace) {
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

TEST(BoxLayoutTest, TheBoxTakesTheLowerHalfAndSlidesThereWhenAnimated) {
    RecordingServer server;
    auto layer = Box(240, 320);
    shared_ptr<widgets::MovableImage> box(new widgets::MovableImage());
    layer->AddChild(box, BoxLayout::Box);
    layer->AddChild(Box(1, 1));
    server.GetRoot()->AddChild(layer);
    layer->SetLayout(shared_ptr<Layout>(new BoxLayout()));
    EXPECT_EQ(box->GetRect(), Rect(0, 160, 240, 160));

    box->SetPosition(0, 320);
    layer->GetLayout()->Update(LayoutAnimated);
    EXPECT_EQ(box->GetRect(), Rect(0, 320, 240, 160)) << "sized at once, moved by frames";
    server.Tick(true, false);
    EXPECT_GT(box->Y(), 160);
    EXPECT_LT(box->Y(), 320);
    // A plain re-layout in the middle ends the slide in place.
    layer->GetLayout()->Update(LayoutRelayout);
    EXPECT_EQ(box->Y(), 160);
    for (int i = 0; i < BoxLayout::SlideFrames; ++i) server.Tick(true, false);
    EXPECT_EQ(box->Y(), 160);
}

}  // namespace
