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
    // Cut, the link keeps exactly what the whole title leaves: 240 - 16 - 150.
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 74, 30));
    EXPECT_EQ(RectOf(*header, H::Separator), Rect(78, 0, 10, 30));
    EXPECT_EQ(RectOf(*header, H::Title), Rect(88, 0, 150, 30));
    // On a wider bar the same header is whole again.
    header->SetSize(600, 30);
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 120, 30));
    EXPECT_EQ(RectOf(*header, H::Title), Rect(134, 0, 464, 30));
}

TEST_F(SimpleHeaderLayoutTest, OnANarrowBarTheTitleStaysWholeAndThePathGoesFirst) {
    MetricsScope metrics(12);
    // 176 wide with the icon: 140 usable. The link keeps what the title leaves
    // while that is three font units or more...
    header->SetSize(176, 36);
    Build(64, 12, 81, true);
    EXPECT_EQ(RectOf(*header, H::Title).width, 81);
    EXPECT_EQ(RectOf(*header, H::BackLink).width, 140 - 16 - 81);
    // ...and below that the path goes, separator and all.
    header->RemoveAllChildren();
    Build(64, 12, 105, true);
    EXPECT_EQ(RectOf(*header, H::BackLink).width, 0);
    EXPECT_EQ(RectOf(*header, H::Separator).width, 0);
    EXPECT_EQ(RectOf(*header, H::Title), Rect(4, 0, 132, 36));
    // A short title leaves a cut link all the room it does not need.
    header->RemoveAllChildren();
    Build(70, 12, 55, true);
    EXPECT_EQ(RectOf(*header, H::BackLink).width, 140 - 16 - 55);
    EXPECT_EQ(RectOf(*header, H::Title).width, 55);
    // A title longer than the bar is the one thing still cut.
    header->RemoveAllChildren();
    Build(64, 12, 300, true);
    EXPECT_EQ(RectOf(*header, H::Title), Rect(4, 0, 132, 36));
}

}  // namespace
