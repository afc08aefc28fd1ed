#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WidgetTestSupport.h"
#include "base/ScopedSubscription.h"
#include "ui/FontManager.h"
#include "ui/app/InputManager.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

using namespace widgets;

struct MultiEditTest : WidgetFixture, ::testing::Test {
    shared_ptr<MultiLineBox> box{new MultiLineBox()};
    std::vector<int> panelShown;  // y, height
    ScopedSubscription onShown;

    MultiEditTest() {
        box->SetFont(FontManager::Instance().GetFont(400, 14));
        box->SetInsets(4, 4, 8, 4);
        box->SetRect(Rect(10, 100, 200, 80));
        Root().AddChild(box);
        onShown = ScopedSubscription::ToFn(nullptr, InputManager::Instance().shown,
                                           [this](int y, int h, const Rect&) { panelShown = {y, h}; });
    }
    ~MultiEditTest() override { InputManager::Instance().Hide(); }
    void Focus() { Tap(15, 110); }
    int ViewHeight() const { return 80 - 8; }
};

TEST_F(MultiEditTest, EnterStartsALineAndTheFocusStaysAndTheDeviceKeysEdit) {
    Focus();
    ASSERT_TRUE(box->IsFocused());
    EXPECT_EQ(panelShown, (std::vector<int>{100, 80}));
    Type(u"first");
    Press(Key::Enter);
    Type(u"second");
    EXPECT_EQ(box->GetText(), u"first\nsecond");
    EXPECT_TRUE(box->IsFocused()) << "Enter is a line feed here, not the end of the edit";
    Type(u"\r\t");  // control characters never reach the text
    Press(Key::Up);
    Type(u"!");
    EXPECT_EQ(box->GetText(), u"first!\nsecond") << "up keeps the column as far as the line allows";
    Press(Key::Down);
    Type(u"?");
    const size_t mark = box->GetText().find(u'?');
    EXPECT_GT(mark, 7u) << "down moves into the second line";
    EXPECT_LT(mark, 13u);
    Press(Key::Character, 8);
    EXPECT_EQ(box->GetText(), u"first!\nsecond") << "backspace takes back what was typed";
    box->SetFocused(false);
    EXPECT_FALSE(InputManager::Instance().IsVisible());
}

TEST_F(MultiEditTest, TheViewFollowsTheCursorDownAndBackUp) {
    Focus();
    const int lineHeight = box->LineHeight();
    for (int i = 0; i < 12; ++i) {
        Type(u"line");
        Press(Key::Enter);
    }
    const int lines = static_cast<int>(box->Lines().size());
    ASSERT_EQ(lines, 13);
    EXPECT_EQ(box->GetScroll(), lines * lineHeight - ViewHeight()) << "the last line sits at the bottom";
    for (int i = 0; i < 12; ++i) Press(Key::Up);
    EXPECT_EQ(box->GetScroll(), 0);
    // A long word-wrapped paragraph counts by its shown lines.
    box->SetText(std::u16string(60, u'w') + u" " + std::u16string(60, u'w'));
    EXPECT_GT(box->Lines().size(), 2u);
    box->SetText(u"");
    EXPECT_EQ(box->GetScroll(), 0) << "an emptied box shows its top";
}

TEST_F(MultiEditTest, ATapPutsTheCursorOnTheLineTapped) {
    box->SetText(u"abc\ndefgh");
    Focus();
    const int secondLine = 100 + 4 + box->LineHeight() + box->LineHeight() / 2;
    Tap(14, secondLine);
    EXPECT_EQ(box->GetCursor(), 4u) << "the start of the second line";
    Tap(205, secondLine);
    EXPECT_EQ(box->GetCursor(), 9u) << "past the end of a line: its end";
}

}  // namespace
