#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../ui-layouts/LayoutTestSupport.h"
#include "WidgetTestSupport.h"
#include "platform/text/DeviceContext.h"
#include "ui/FontManager.h"
#include "ui/widgets/SkinFactory.h"

namespace {

using namespace widgets;

constexpr int kBase = 12;

// Distinct, opaque skin images, so that a test can tell which one is shown.
struct SkinTest : WidgetFixture, ::testing::Test {
    SkinFolder skin;
    SkinTest() {
        skin.Add("btn.png", 8, 8, 0x2050A0FF);
        skin.Add("btn_sel.png", 8, 8, 0x10306FFF);
        skin.Add("edit.png", 8, 8, 0xF0F0F0FF);
        skin.Add("ls.png", 8, 8, 0xE8E8F8FF);
        skin.Add("ls_sel.png", 8, 8, 0x90A0C0FF);
        skin.Add("check.png", 10, 8, 0x20A020FF);
        skin.Add("app_bar.png", 8, 8, 0x303030FF);
        skin.Add("icon_home.png", 16, 16, 0xFFFFFFFF);
        for (const char* part : {"sort_left", "sort_mid", "sort_right"}) {
            skin.Add(std::string(part) + "_sel.png", 8, 8, 0x4070C0FF);
            skin.Add(std::string(part) + "_usel.png", 8, 8, 0xC0C0C0FF);
        }
    }
};

TEST_F(SkinTest, ButtonsShareTheirImagesAndShowThemPressed) {
    auto a = SkinFactory::CreateButton(Root(), u"OK", kBase);
    auto b = SkinFactory::CreateButton(Root(), u"Cancel", kBase);
    EXPECT_EQ(a->GetSourceImage().get(), b->GetSourceImage().get()) << "decoded once, through the pool";

    a->SetRect(Rect(0, 0, 80, 30));
    SubscribeFn(a->Touched(), [](shared_ptr<GObject>&, const Touch&) {});
    Down(10, 10);
    EXPECT_EQ(a->GetSourceImage().get(), SkinFactory::SkinImage(u"btn_sel.png").get());
    Up(10, 10);
    EXPECT_EQ(a->GetSourceImage().get(), b->GetSourceImage().get());
}

TEST_F(SkinTest, AMissingSkinImageLeavesAnEmptyButWorkingWidget) {
    std::filesystem::remove(skin.dir / "btn.png");
    auto button = SkinFactory::CreateButton(Root(), u"OK", kBase);
    button->SetRect(Rect(0, 0, 80, 30));
    ASSERT_TRUE(button->GetSourceImage());
    EXPECT_TRUE(button->GetSourceImage()->IsEmpty());
    Frames(1);  // draws the caption and nothing else
    EXPECT_EQ(button->GetLabelText(), u"OK");
}

TEST_F(SkinTest, ACheckListMarksTheChoiceAndReportsClickedRows) {
    MetricsScope coarse(kBase, 96);
    shared_ptr<GObject> list = NewObject(0, 0, 200, 90);
    Root().AddChild(list);
    std::vector<int> chosen;
    auto rows = SkinFactory::CreateCheckList(*list, {u"One", u"Two", u"Three"}, 1, kBase,
                                             [&](int i) { chosen.push_back(i); });
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) rows[i]->SetRect(Rect(0, i * 30, 200, 30));
    EXPECT_FALSE(rows[0]->IsFocusable());
    EXPECT_TRUE(rows[1]->IsFocusable());
    shared_ptr<GObject> check;
    ASSERT_TRUE(rows[1]->FindChildById(7002, check));
    EXPECT_TRUE(check->IsVisible());
    EXPECT_EQ(check->GetRect(), Rect(200 - 6 - 10, 11, 10, 8)) << "at the right, centred";
    ASSERT_TRUE(rows[0]->FindChildById(7002, check));
    EXPECT_FALSE(check->IsVisible());

    Down(50, 75);
    EXPECT_EQ(rows[2]->GetImageState(), RowButton::PressedImage);
    Up(50, 75);
    Down(50, 10);
    Move(50, 40);
    Up(50, 40);  // slid to another row: no click
    EXPECT_EQ(chosen, (std::vector<int>{2}));
}

TEST_F(SkinTest, TheCheckMarkKeepsItsSizeOnAFineScreen) {
    MetricsScope fine(2 * kBase, 192);
    auto rows = SkinFactory::CreateCheckList(Root(), {u"One"}, 0, kBase, nullptr);
    rows[0]->SetRect(Rect(0, 0, 200, 40));
    shared_ptr<GObject> check;
    ASSERT_TRUE(rows[0]->FindChildById(7002, check));
    EXPECT_EQ(check->GetRect(), Rect(200 - 6 - 20, 12, 20, 16)) << "twice the picture at twice the density";
}

// The price filter's three words in half of a 176-pixel bar ran into each
// other; on a wide bar they stay in the bold face.
TEST_F(SkinTest, SortSelectorCaptionsKeepClearOfTheDividers) {
    auto selector = SkinFactory::CreateSortSelector(Root(), {u"All", u"Paid", u"Free"}, 0, kBase, 77);
    for (int width : {240, 88}) {
        selector->SetRect(Rect(0, 0, width, 30));
        const auto font = dynamic_cast<SelectTab*>(selector->ChildAt(0).get())->GetFont();
        if (width == 240) {
            EXPECT_EQ(font, FontManager::Instance().GetFont(600, kBase));
        }
        platform::text::DeviceContext dc;
        dc.SelectFont(font);
        for (int i = 0; i < 3; ++i) {
            auto* tab = dynamic_cast<SelectTab*>(selector->ChildAt(i).get());
            EXPECT_EQ(tab->GetFont(), font) << "the three pieces alike";
            EXPECT_LE(dc.GetTextExtent(tab->GetLabelText()).width, width / 3 - 2 * (kBase / 4)) << width;
        }
    }
}

TEST_F(SkinTest, TheSortSelectorIsARadioGroupOfThreeTabs) {
    auto selector = SkinFactory::CreateSortSelector(Root(), {u"New", u"Top", u"Name"}, 1, kBase, 77);
    ASSERT_EQ(selector->ChildCount(), 3);
    EXPECT_EQ(selector->GetSelectedIndex(), 1);
    auto* left = dynamic_cast<SelectTab*>(selector->ChildAt(0).get());
    auto* mid = dynamic_cast<SelectTab*>(selector->ChildAt(1).get());
    ASSERT_TRUE(left && mid);
    EXPECT_EQ(left->GetLabelText(), u"New");

    selector->SetRect(Rect(0, 0, 240, 30));
    for (int i = 0; i < 3; ++i) selector->ChildAt(i)->SetRect(Rect(i * 80, 0, 80, 30));
    Tap(10, 10);
    EXPECT_EQ(selector->GetSelectedIndex(), 0);
    EXPECT_EQ(left->GetSourceImage().get(), SkinFactory::SkinImage(u"sort_left_sel.png").get());
    EXPECT_EQ(mid->GetSourceImage().get(), SkinFactory::SkinImage(u"sort_mid_usel.png").get());
    EXPECT_EQ(left->GetColor(), 0xFFFFFFu) << "the selected caption is white, the others grey";
    EXPECT_NE(mid->GetColor(), 0xFFFFFFu);
}

TEST_F(SkinTest, TheTitleBarShowsThePathAsLinks) {
    auto bar = SkinFactory::CreateTitleBar(Root(), {u"Menu", u"Games", u"Chess"}, kBase);
    shared_ptr<GObject> part;
    ASSERT_TRUE(bar->FindChildById(SkinFactory::FirstLinkId, part));
    ASSERT_TRUE(dynamic_cast<Link*>(part.get()));
    EXPECT_EQ(dynamic_cast<Link*>(part.get())->GetLabelText(), u"Menu");
    ASSERT_TRUE(bar->FindChildById(SkinFactory::FirstSeparatorId, part));
    EXPECT_EQ(dynamic_cast<Label*>(part.get())->GetLabelText(), u" / ");
    ASSERT_TRUE(bar->FindChildById(SkinFactory::TitleId, part));
    EXPECT_EQ(dynamic_cast<Label*>(part.get())->GetLabelText(), u"Chess");
    EXPECT_TRUE(bar->FindChildById(SkinFactory::HomeIconId, part));
    EXPECT_EQ(bar->ChildCount(), 1 + 5) << "home, two links, two separators, the title";
}

}  // namespace
