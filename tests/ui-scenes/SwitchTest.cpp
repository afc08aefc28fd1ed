#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/widgets/Switch.h"

namespace {

class SwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        row = NewObject(0, 0, 240, 40);
        server.GetRoot()->AddChild(row);
        toggle = new Switch(*row, u"ON", u"OFF", 8991);
        toggle->GetViewport()->SetRect(Rect(100, 5, 90, 30));
        Settle();
    }
    void Settle() {
        for (int i = 0; i < 20; ++i) server.Tick(true, true);
    }
    void Tap(int x, int y) { ::Tap(*server.GetRoot(), touch, x, y); }
    bool Shown(Switch::Part part) const { return toggle->GetPart(part)->IsVisible(); }

    RecordingServer server{240, 320};
    shared_ptr<GObject> row;
    shared_ptr<Switch> toggle;
    Touch touch;
};

}  // namespace

TEST_F(SwitchTest, TappingSlidesTheStripAndHidesTheCoveredBackground) {
    shared_ptr<GObject> found;
    ASSERT_TRUE(row->FindChildById(8991, found));
    EXPECT_EQ(found, toggle->GetViewport());
    EXPECT_FALSE(toggle->IsOn());
    EXPECT_EQ(toggle->GetStrip()->GetRect(), Rect(-45, 0, 135, 30));
    EXPECT_FALSE(Shown(Switch::OnBackground));
    EXPECT_TRUE(Shown(Switch::OffBackground));

    Tap(120, 20);  // on the viewport, left of the toggler
    EXPECT_TRUE(toggle->IsOn());
    server.Tick(true, true);
    EXPECT_TRUE(Shown(Switch::OnBackground));  // both show while the strip slides
    EXPECT_TRUE(Shown(Switch::OffBackground));
    EXPECT_LT(toggle->GetStrip()->X(), 0);
    Settle();
    EXPECT_EQ(toggle->GetStrip()->X(), 0);
    EXPECT_TRUE(Shown(Switch::OnBackground));
    EXPECT_FALSE(Shown(Switch::OffBackground));

    const Rect t = toggle->GetPart(Switch::Toggler)->GetScreenRect();
    Tap(t.x + t.width / 2, t.y + t.height / 2);  // the toggler flips it too, once
    EXPECT_FALSE(toggle->IsOn());
    Settle();
    EXPECT_EQ(toggle->GetStrip()->X(), -45);
    EXPECT_FALSE(Shown(Switch::OnBackground));

    // Screens set the state they read from settings through the viewport's
    // flag, which slides it as a tap does.
    toggle->GetViewport()->SetFocusable(true);
    Settle();
    EXPECT_TRUE(toggle->IsOn());
    EXPECT_EQ(toggle->GetStrip()->X(), 0);
    EXPECT_FALSE(Shown(Switch::OffBackground));
}

TEST_F(SwitchTest, TheTreeOutlivesTheSwitch) {
    shared_ptr<GObject> viewport = toggle->GetViewport();
    toggle = nullptr;
    Tap(120, 20);  // nobody listens any more; nothing may call into the freed switch
    EXPECT_FALSE(viewport->IsFocusable());
}
