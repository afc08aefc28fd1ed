#include <gtest/gtest.h>

#include "../ui-widgets/WidgetTestSupport.h"
#include "LayoutTestSupport.h"
#include "ui/layouts/ItemBuilders.h"
#include "ui/layouts/SwitchItemLayout.h"
#include "ui/layouts/TreeItemLayout.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

class ItemBuildersTest : public ::testing::Test {
protected:
    ItemBuildersTest() {
        skin.Add("icon.png", 32, 32, 0x00FF00FF);
        skin.Add("arrow.png", 10, 16, 0x000000FF);
    }
    template <class W>
    W* Child(const GObject& row, int32_t id) {
        shared_ptr<GObject> child;
        return row.FindChildById(id, child) ? dynamic_cast<W*>(child.get()) : nullptr;
    }
    SkinFolder skin;
};

TEST_F(ItemBuildersTest, TreeItemOnANinetySixDpiScreen) {
    using T = TreeItemLayout;
    MetricsScope metrics(12, 96);
    auto row = ItemBuilders::TreeItem(Box(200, 48), u"Games", u"icon.png", u"arrow.png");
    auto* label = Child<widgets::Label>(*row, T::Label);
    ASSERT_TRUE(label && Child<widgets::Image>(*row, T::Icon) && Child<widgets::Image>(*row, T::Arrow));
    EXPECT_EQ(label->GetText(), u"Games");
    // The arrow at its natural size, margin u = 6.
    ExpectPlaced(*row, {{T::Arrow, {184, 16, 10, 16}}, {T::Label, {48, 6, 130, 36}}});
}

TEST_F(ItemBuildersTest, ArrowsAreDoubledAboveOneHundredTwentyEightDpi) {
    using T = TreeItemLayout;
    MetricsScope metrics(16, 131, 44);
    RecordingServer server(240, 64);
    auto row = ItemBuilders::TreeItem(Box(240, 64), u"Games", u"", u"arrow.png");
    server.GetRoot()->AddChild(row);
    EXPECT_EQ(Child<widgets::Image>(*row, T::Icon), nullptr);
    EXPECT_EQ(RectOf(*row, T::Arrow), Rect(240 - 20 - 8, 16, 20, 32));
    EXPECT_EQ(RectOf(*row, T::Label), Rect(8, 8, 240 - 16 - 28, 48)) << "no icon: the label starts at the margin";
    // The arrow is drawn at the doubled size: black reaches its bottom row.
    server.Paint(Rect(0, 0, 240, 64));
    EXPECT_EQ(server.surface->PixelAt(212 + 10, 16 + 31), 0x0000);
    EXPECT_NE(server.surface->PixelAt(212 + 10, 16 + 32), 0x0000);
}

TEST_F(ItemBuildersTest, SwitchRowLeavesRoomForTheSwitchTheCallerAddsAndKeepsItsIcon) {
    using S = SwitchItemLayout;
    MetricsScope metrics(12, 96);
    auto row = ItemBuilders::SwitchRow(Box(240, 48), u"Keep packages", u"icon.png");
    row->AddChild(Box(1, 1), S::Switch);
    EXPECT_EQ(RectOf(*row, S::Switch), Rect(240 - 72 - 6, 12, 72, 24));
    EXPECT_EQ(RectOf(*row, S::Label).width, 240 - 18 - 36 - 78);
    // On a narrow screen the icon stays and the caption is cut to the rest.
    row->SetSize(176, 48);
    ExpectPlaced(*row, {{S::Icon, {6, 6, 36, 36}}, {S::Label, {48, 6, 176 - 18 - 36 - 78, 36}}});
}

}  // namespace
