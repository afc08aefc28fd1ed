#include "screens/ScreenText.h"

#include <gtest/gtest.h>

#include "platform/text/DeviceContext.h"
#include "screens/CaptionFit.h"
#include "ui/widgets/traits/TMultiEdit.h"

namespace {

TEST(ScreenText, LineBreaksCrossTheWireBothWays) {
    EXPECT_EQ(screentext::ToWire(u"first\nsecond\n"), u"first--br--second--br--");
    EXPECT_EQ(screentext::ToWire(u"keeps\rreturns"), u"keeps\rreturns");
    EXPECT_EQ(screentext::FromWire(u"one--br--two--br----br--"), u"one\rtwo\r\r");
}

TEST(ScreenText, TemplatesFillOnlyTheFirstPlaceholder) {
    EXPECT_EQ(screentext::ReplaceFirst(u"--app-- and --app--", u"--app--", u"X"), u"X and --app--");
    EXPECT_EQ(screentext::ReplaceFirst(u"none here", u"--size--", u"12"), u"none here");
    EXPECT_EQ(screentext::ReplaceFirst(u"size --size-- KB", u"--size--", u""), u"size  KB");
}

TEST(ScreenText, ScreenshotCaptionDropsThePluralAndCountsFromOne) {
    EXPECT_EQ(screentext::ScreenshotCaption(u"Screenshots", 2), u"Screenshot 3:");
    EXPECT_EQ(screentext::ScreenshotCaption(u"", 0), u" 1:");
}

// Ten pixels a character keeps the expected breaks readable.
int Measure(std::u16string_view run) { return static_cast<int>(run.size()) * 10; }

std::vector<std::u16string> Wrapped(std::u16string_view text, int width) {
    std::vector<std::u16string> out;
    for (const WrappedLine& line : WrapText(text, width, Measure))
        out.emplace_back(text.substr(line.start, line.length));
    return out;
}

TEST(WrapText, BreaksAtLineFeedsThenAfterTheLastSpaceThatFits) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(Wrapped(u"", 100), V{u""});
    EXPECT_EQ(Wrapped(u"one\ntwo", 100), (V{u"one", u"two"}));
    EXPECT_EQ(Wrapped(u"one\n\n", 100), (V{u"one", u"", u""})) << "each line feed opens a line the cursor can reach";
    EXPECT_EQ(Wrapped(u"the quick brown fox", 100), (V{u"the quick ", u"brown fox"}));
    EXPECT_EQ(Wrapped(u"abcdefghijkl", 50), (V{u"abcde", u"fghij", u"kl"})) << "a word wider than the box";
    EXPECT_EQ(Wrapped(u"ab", 0), (V{u"a", u"b"})) << "a box too narrow still moves on";
}

// A menu caption too wide for its row: two lines in the rows' own font where
// the row has the height ("My applications" stood out smaller than its
// neighbours), the smaller font where it has not, and always the smaller
// font first for the captions that ask for it.
TEST(CaptionFit, LinesInTheOwnFontBeforeASmallerOne) {
    auto& fonts = FontManager::Instance();
    const auto own = fonts.GetFont(600, 15), smaller = fonts.GetFont(600, 12);
    platform::text::DeviceContext dc;
    dc.SelectFont(own);
    const int width = dc.GetTextExtent(u"applications").width + 2;
    struct Case {
        captionfit::Lines lines;
        int height;
        bool keepsOwn;
    } const cases[] = {{captionfit::Lines::ManyFirst, 45, true},
                       {captionfit::Lines::ManyFirst, 15, false},
                       {captionfit::Lines::Many, 45, false}};
    for (const Case& c : cases) {
        widgets::Label label;
        label.SetText(u"My applications");
        label.SetFont(own);
        label.SetSize(width, c.height);
        captionfit::Keep(label, smaller, c.lines);
        EXPECT_EQ(label.GetFont() == own, c.keepsOwn) << c.height;
        if (c.keepsOwn) {
            EXPECT_TRUE(label.IsWordWrapped());
        }
    }
}

}  // namespace
