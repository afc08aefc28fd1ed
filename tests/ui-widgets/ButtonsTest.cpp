#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

using namespace widgets;

struct HotButtonTest : WidgetFixture, ::testing::Test {
    shared_ptr<HotImage> button{new HotImage()};
    HotButtonTest() {
        button->SetRect(Rect(10, 10, 50, 20));
        Root().AddChild(button);
    }
};

// Dims while pressed and fades back over eight frames; a second press
// halfway back keeps the first remembered value, and its fade is not frozen
// by the one it replaced.
TEST_F(HotButtonTest, DimsWhilePressedAndFadesBackOverEightFramesEvenWhenPressedAgain) {
    Down(20, 20);
    EXPECT_EQ(button->GetTransparency(), 175);
    Up(20, 20);
    Frames(3);
    EXPECT_GT(button->GetTransparency(), 175);
    Down(20, 20);
    EXPECT_EQ(button->GetTransparency(), 175);
    Frames(2);
    EXPECT_EQ(button->GetTransparency(), 175) << "the earlier fade-back no longer runs";
    Up(20, 20);
    Frames(7);
    EXPECT_LT(button->GetTransparency(), 255);
    Frames(1);
    EXPECT_EQ(button->GetTransparency(), 255);
}

TEST(HotLabels, LinkColourFollowsThePress) {
    WidgetFixture f;
    shared_ptr<Link> link(new Link());
    link->SetRect(Rect(0, 0, 60, 20));
    link->SetHotColors(0xAA0000, 0x0000AD);
    int clicks = 0;
    SubscribeFn(link->Touched(), [&](shared_ptr<GObject>&, const Touch& t) { clicks += t.type == Touch::Click; });
    f.Root().AddChild(link);
    f.Down(5, 5);
    EXPECT_EQ(link->GetColor(), 0x0000ADu);
    f.Up(5, 5);
    EXPECT_EQ(link->GetColor(), 0xAA0000u);
    EXPECT_EQ(clicks, 1);
}

struct RadioTest : WidgetFixture, ::testing::Test {
    shared_ptr<RadioGroup> radio{new RadioGroup()};
    std::vector<shared_ptr<GObject>> items;
    std::vector<int> changes;
    RadioTest() {
        radio->SetRect(Rect(0, 0, 240, 30));
        Root().AddChild(radio);
        SubscribeFn(radio->GetSelectionChanged(), [this](shared_ptr<GObject>&, int i) { changes.push_back(i); });
        for (int i = 0; i < 3; ++i) {
            items.push_back(NewObject(i * 80, 0, 80, 30));
            radio->AddChild(items.back(), i);
        }
    }
};

TEST_F(RadioTest, TheFirstItemStartsSelectedAndAClickMovesTheSelection) {
    EXPECT_EQ(radio->GetSelectedIndex(), 0);
    Tap(200, 10);
    EXPECT_EQ(radio->GetSelectedIndex(), 2);
    EXPECT_FALSE(items[0]->IsFocusable());
    EXPECT_FALSE(items[1]->IsFocusable());
    EXPECT_EQ(changes, (std::vector<int>{0, 2}));
}

TEST_F(RadioTest, AnItemThatOutlivesItsGroupNoLongerCallsIt) {
    shared_ptr<GObject> removed = items[1], stillChild = items[2];
    radio->RemoveChild(removed);
    Root().RemoveChild(radio);
    radio = nullptr;
    items.clear();
    // Both would reach the dead group without scoped subscriptions.
    removed->SetFocusable(true);
    stillChild->SetFocusable(true);
    EXPECT_EQ(changes, (std::vector<int>{0}));
}

}  // namespace
