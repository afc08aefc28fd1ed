#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/ControlBarLayout.h"
#include "ui/layouts/FilterBarLayout.h"
#include "ui/layouts/HorizontRadioLayout.h"
#include "ui/layouts/PopupBoxLayout.h"
#include "ui/layouts/RootMainLayout.h"
#include "ui/layouts/SimpleHeaderLayout.h"
#include "ui/layouts/StarsLayout.h"
#include "ui/layouts/SwitchLayout.h"

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
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 80, 30));
    EXPECT_EQ(RectOf(*header, H::Separator), Rect(84, 0, 10, 30));
    EXPECT_EQ(RectOf(*header, H::Title), Rect(94, 0, 144, 30));
    // On a wider bar the same header is whole again.
    header->SetSize(600, 30);
    EXPECT_EQ(RectOf(*header, H::BackLink), Rect(4, 0, 120, 30));
    EXPECT_EQ(RectOf(*header, H::Title), Rect(134, 0, 464, 30));
}

TEST(BarLayouts, FilterAndControlBars) {
    MetricsScope metrics(14);
    auto filter = Box(240, 40);
    AddChildren(*filter, {FilterBarLayout::LeftButton, FilterBarLayout::RightButton});
    filter->SetLayout(shared_ptr<Layout>(new FilterBarLayout()));
    EXPECT_EQ(RectOf(*filter, FilterBarLayout::LeftButton), Rect(7, 7, 120, 26));
    EXPECT_EQ(RectOf(*filter, FilterBarLayout::RightButton), Rect(134, 7, 99, 26));

    using C = ControlBarLayout;
    auto bar = Box(240, 30);
    AddChildren(*bar, {C::MiddleButton, C::LeftButton, C::RightButton, C::WideControl});
    bar->SetLayout(shared_ptr<Layout>(new ControlBarLayout()));
    EXPECT_EQ(RectOf(*bar, C::LeftButton), Rect(0, 0, 77, 30));
    EXPECT_EQ(RectOf(*bar, C::MiddleButton), Rect(81, 0, 77, 30));
    EXPECT_EQ(RectOf(*bar, C::RightButton), Rect(162, 0, 77, 30));
    EXPECT_EQ(RectOf(*bar, C::WideControl), Rect(0, 0, 232, 30));
}

TEST(BarLayouts, RadioItemsAndStarsShareTheWidthEqually) {
    auto radio = Box(100, 20);
    auto items = AddChildren(*radio, {-1, -1, -1});
    radio->SetLayout(shared_ptr<Layout>(new HorizontRadioLayout()));
    EXPECT_EQ(items[2]->GetRect(), Rect(66, 0, 33, 20));

    auto rating = Box(103, 21);
    auto stars = AddChildren(*rating, {-1, -1, -1, -1, -1});
    rating->SetLayout(shared_ptr<Layout>(new StarsLayout()));
    EXPECT_EQ(stars[0]->GetRect(), Rect(0, 0, 20, 21));
    EXPECT_EQ(stars[4]->GetRect(), Rect(80, 0, 20, 21));
}

TEST(SwitchLayoutTest, TheTogglerSitsWhereTheTwoBackgroundsMeet) {
    auto strip = Box(150, 30);
    auto parts = AddChildren(*strip, {-1, -1, -1});
    shared_ptr<SwitchLayout> layout(new SwitchLayout());
    strip->SetLayout(layout);
    EXPECT_EQ(parts[0]->GetRect(), Rect(0, 0, 100, 30));
    EXPECT_EQ(parts[1]->GetRect(), Rect(50, 0, 100, 30));
    EXPECT_EQ(parts[2]->GetRect(), Rect(50, 0, 50, 30));
    EXPECT_EQ(layout->TogglerWidth(), 50);
}

TEST(PanelLayouts, PopupBoxAndRoot) {
    MetricsScope metrics(14);
    auto box = Box(240, 160);
    AddChildren(*box, {PopupBoxLayout::Title, PopupBoxLayout::Text});
    box->SetLayout(shared_ptr<Layout>(new PopupBoxLayout()));
    EXPECT_EQ(RectOf(*box, PopupBoxLayout::Title), Rect(7, 7, 226, 21));
    EXPECT_EQ(RectOf(*box, PopupBoxLayout::Text), Rect(7, 35, 226, 125));

    auto root = Box(240, 320);
    auto scenes = AddChildren(*root, {-1, RootMainLayout::CloseAdsButton, 5});
    root->SetLayout(shared_ptr<Layout>(new RootMainLayout()));
    EXPECT_EQ(scenes[0]->GetRect(), Rect(0, 0, 240, 320));
    EXPECT_EQ(scenes[1]->GetRect(), Rect(212, 222, 28, 28));
    EXPECT_EQ(scenes[2]->GetRect(), Rect(0, 0, 240, 320));
}

}  // namespace
