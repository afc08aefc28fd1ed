#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/SimpleHeaderLayout.h"

namespace {

class SimpleHeaderLayoutTest : public ::testing::Test {
protected:
    using H = SimpleHeaderLayout;
    void Build(int32_t back, int32_t separator, int32_t title, bool icon = false) {
        AddChildren(*header, {H::BackLink, H::Separator, H::Title});
        if (icon) AddChildren(*header, {H::RightIcon});
        header->SetLayout(shared_ptr<Layout>(new SimpleHeaderLayout(back, separator, title, 4)));
    }
    shared_ptr<GObject> header = Box(240, 30);
};

TEST_F(SimpleHeaderLayoutTest, WithoutBackLinkTheTitleTakesTheUsableWidth) {
    Build(0, 0, 50);
    EXPECT_EQ(RectOf(*header, H::Title), Rect(4, 0, 232, 30));
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 0, 30));
}

TEST_F(SimpleHeaderLayoutTest, TheRightIconNarrowsTheUsableWidth) {
    Build(60, 10, 100, true);
    EXPECT_EQ(RectOf(*header, H::RightIcon), Rect(214, 4, 22, 22));
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 60, 30));
    EXPECT_EQ(RectOf(*header, H::Separator), Rect(64, 0, 10, 30));
    EXPECT_EQ(RectOf(*header, H::Title), Rect(74, 0, 134, 30)) << "210 - 16 - 60";
}

TEST_F(SimpleHeaderLayoutTest, AWideBackLinkIsCutToAThirdOnlyWhenTheLineDoesNotFit) {
    Build(120, 10, 100);
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 120, 30)) << "fits: wider than a third but whole";
    EXPECT_EQ(RectOf(*header, H::Title), Rect(134, 0, 104, 30));

    header->RemoveAllChildren();
    Build(120, 10, 150);
    // Does not fit: the link is cut to a third of 240, the title takes the rest.
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 80, 30));
    EXPECT_EQ(RectOf(*header, H::Separator), Rect(84, 0, 10, 30));
    EXPECT_EQ(RectOf(*header, H::Title), Rect(94, 0, 144, 30)) << "240 - 16 - 80";
    // On a wider bar the same header is whole again.
    header->SetSize(600, 30);
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 120, 30));
    EXPECT_EQ(RectOf(*header, H::Title), Rect(134, 0, 464, 30));
}

// 176 wide with the icon: 140 usable. However long the title, the path keeps
// its third to be tapped, and the title ends before the icon.
TEST_F(SimpleHeaderLayoutTest, OnANarrowBarThePathKeepsItsThird) {
    header->SetSize(176, 36);
    for (int32_t title : {81, 105, 300}) {
        header->RemoveAllChildren();
        Build(64, 12, title, true);
        EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 46, 36)) << title;
        EXPECT_EQ(RectOf(*header, H::Title), Rect(62, 0, 140 - 16 - 46, 36)) << title;
        EXPECT_LE(RectOf(*header, H::Title).Right(), RectOf(*header, H::RightIcon).x);
    }
}

}  // namespace
