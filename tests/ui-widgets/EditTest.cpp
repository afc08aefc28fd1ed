#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include "WidgetTestSupport.h"
#include "base/ScopedSubscription.h"
#include "platform/imaging/Pixel565.h"
#include "ui/FontManager.h"
#include "ui/app/InputManager.h"
#include "ui/app/TreeQuery.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

using namespace widgets;

struct EditTest : WidgetFixture, ::testing::Test {
    shared_ptr<TextBox> box{new TextBox()};
    std::vector<std::u16string> finished;
    std::vector<int> panelShown;  // y, height, mode
    ScopedSubscription onShown;

    EditTest() {
        box->SetRect(Rect(10, 100, 200, 30));
        Root().AddChild(box);
        SubscribeFn(box->EditFinished(),
                    [this](shared_ptr<GObject>&, const std::u16string& t) { finished.push_back(t); });
        onShown = ScopedSubscription::ToFn(nullptr, InputManager::Instance().shown, [this](int y, int h, const Rect&) {
            panelShown = {y, h, InputManager::Instance().GetMode()};
        });
    }
    ~EditTest() override { InputManager::Instance().Hide(); }
    void Focus() { Tap(15, 110); }
    std::u16string Text() const { return box->GetText(); }
};

TEST_F(EditTest, FocusRaisesThePanelAndBlinksTheCursorBlurReportsTheText) {
    box->SetNumeric(true);
    Focus();
    ASSERT_TRUE(box->IsFocused());
    EXPECT_EQ(panelShown, (std::vector<int>{100, 30, 1}));
    EXPECT_EQ(box->GetCursorTransparency(), 255);
    Frames(15);
    EXPECT_EQ(box->GetCursorTransparency(), 0);
    Frames(15);
    EXPECT_EQ(box->GetCursorTransparency(), 255) << "fades out and back, endlessly";

    Type(u"42");
    Press(Key::Enter);
    EXPECT_FALSE(box->IsFocused());
    EXPECT_EQ(finished, (std::vector<std::u16string>{u"42"}));
    EXPECT_FALSE(InputManager::Instance().IsVisible());
    const int t = box->GetCursorTransparency();
    Frames(5);
    EXPECT_EQ(box->GetCursorTransparency(), t) << "the blink stops with the focus";
}

// What typing leaves in the box: a numeric box takes digits and one
// separator, a maximum length is the most characters it holds, and control
// characters never reach the text.
TEST_F(EditTest, TypedTextIsFilteredByTheBoxsRules) {
    const std::tuple<bool, int, std::u16string, std::u16string> cases[] = {
        {true, INT_MAX, u"1.5.a-", u"1.5"},
        {false, 3, u"abcd", u"abc"},
        {false, INT_MAX, u"ab\t\r", u"ab"},
    };
    for (const auto& [numeric, maxLength, typed, kept] : cases) {
        box->SetText(u"");
        box->SetNumeric(numeric);
        box->SetMaxLength(maxLength);
        Focus();
        Type(typed);
        EXPECT_EQ(Text(), kept);
    }
}

TEST_F(EditTest, CursorKeysAndDeletion) {
    Focus();
    Type(u"abc");
    EXPECT_EQ(box->GetCursor(), 3);
    Press(Key::Character, 8);  // backspace
    EXPECT_EQ(Text(), u"ab");
    EXPECT_EQ(box->GetCursor(), 2);
    Press(Key::Left);
    Press(Key::Delete);
    EXPECT_EQ(Text(), u"a");
    EXPECT_EQ(box->GetCursor(), 1);
    Press(Key::Right);
    Press(Key::Right);
    EXPECT_EQ(box->GetCursor(), 1) << "clamped to the text";
    Press(Key::Left);
    Type(u"xy");
    EXPECT_EQ(Text(), u"xya");
    Press(Key::Character, 12);  // clear
    EXPECT_EQ(Text(), u"");
    EXPECT_EQ(box->GetCursor(), 0);
    Press(Key::Character, 8);
    Press(Key::Delete);
    EXPECT_EQ(Text(), u"") << "nothing to delete is no error";
}

TEST_F(EditTest, TextNeverGrowsWiderThanTheBox) {
    box->SetSize(60, 30);
    Focus();
    Type(std::u16string(20, u'W'));
    const std::u16string kept = Text();
    ASSERT_FALSE(kept.empty());
    EXPECT_LT(kept.size(), 20u);
    platform::text::DeviceContext dc;
    EXPECT_LT(dc.GetTextExtent(kept).width, 60);
    EXPECT_GE(dc.GetTextExtent(kept + u"W").width, 60);
}

TEST_F(EditTest, APasswordBoxShowsOnlyItsMask) {
    box->SetPlaceholder(u"Password");
    box->SetPassword(true);
    box->SetMaskCharacter(u'\u25CF');
    EXPECT_EQ(box->GetLabelText(), u"Password");
    Focus();
    Type(u"pw1");
    EXPECT_EQ(Text(), u"pw1");
    EXPECT_EQ(box->GetLabelText(), u"\u25CF\u25CF\u25CF");
    EXPECT_EQ(treequery::FindLabel(Root(), u"pw1"), nullptr);
    EXPECT_EQ(treequery::Dump(Root()).dump().find("pw1"), std::string::npos);
    EXPECT_EQ(treequery::FindLabel(Root(), u"\u25CF\u25CF\u25CF"), box.get());
}

TEST_F(EditTest, ATapPutsTheCursorAtTheNearestCharacter) {
    box->SetText(u"abcdef");
    platform::text::DeviceContext dc;
    const int afterC = 10 + dc.GetTextExtent(u"abc").width;
    for (auto [x, cursor] : {std::pair{afterC + 1, 3}, {afterC - 1, 3}, {11, 0}, {205, 6}}) {
        Tap(x, 110);
        EXPECT_EQ(box->GetCursor(), cursor) << x;
    }
}

TEST_F(EditTest, AFocusedBoxDrawsItsSelectionAndCursor) {
    namespace px = pixel565;
    box->SetText(u"      ");  // spaces: nothing of the text covers what is checked
    Focus();
    box->SetSelection(1, 4);
    box->SetCursor(6);
    server.Invalidate();
    server.Tick(false, true);  // paint without stepping the blink
    platform::text::DeviceContext dc;
    const int one = dc.GetTextExtent(u" ").width;
    ASSERT_GT(one, 2);
    const uint16_t selected = px::Blend(0xFFFF, px::FromRgb(200, 200, 200), 127);
    EXPECT_EQ(server.surface->PixelAt(10 + 2 * one, 105), selected);
    EXPECT_EQ(server.surface->PixelAt(10 + 5 * one, 105), 0xFFFF);
    EXPECT_EQ(server.surface->PixelAt(10 + 6 * one - 1, 105), 0xFFFF);
    EXPECT_EQ(server.surface->PixelAt(10 + 6 * one, 105), px::FromRgb(0, 0, 255)) << "the cursor";
    EXPECT_EQ(server.surface->PixelAt(10 + 6 * one + 1, 105), px::FromRgb(0, 0, 255));
}

// At either end of a word the cursor leaves every pixel of its letters as
// they were ("calc" read "cald"), in the text sizes from 96 to 192 DPI; in
// some of them the word's last column is inked, which a bar centred on the
// boundary covered.
TEST_F(EditTest, TheCursorCoversNoLetter) {
    box->SetRect(Rect(10, 100, 200, 40));
    box->SetText(u"calc");
    auto picture = [this] {
        server.Invalidate();
        server.Tick(false, true);
        std::vector<uint16_t> pixels;
        for (int y = 100; y < 140; ++y)
            for (int x = 10; x < 210; ++x) pixels.push_back(server.surface->PixelAt(x, y));
        return pixels;
    };
    int inkedLastColumn = 0;
    for (int height : {12, 16, 20, 24}) {
        const FontManager::FontHandle font = FontManager::Instance().GetFont(400, height);
        box->SetFont(font);
        box->SetInsets(height / 2, 0, height / 2, 0);  // as the skin makes text boxes
        server.SetFocus(shared_ptr<GObject>());
        const std::vector<uint16_t> plain = picture();
        platform::text::DeviceContext dc;
        dc.SelectFont(font);
        const size_t last = static_cast<size_t>(height / 2 + dc.GetTextExtent(u"calc").width - 1);
        for (size_t y = 0; y < 40; ++y) inkedLastColumn += plain[y * 200 + last] != 0xFFFF;
        Focus();
        for (int at : {4, 0}) {
            box->SetCursor(at);
            const std::vector<uint16_t> focused = picture();
            ASSERT_NE(focused, plain) << "no cursor drawn";
            for (size_t i = 0; i < plain.size(); ++i) {
                if (plain[i] == 0xFFFF) continue;
                ASSERT_EQ(focused[i], plain[i]) << "height " << height << ", cursor at " << at;
            }
        }
    }
    EXPECT_GT(inkedLastColumn, 0);
}

}  // namespace
