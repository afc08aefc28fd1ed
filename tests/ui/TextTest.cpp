#include <gtest/gtest.h>

#include "base/Text.h"
#include "ui/FontManager.h"
#include "ui/WMSurface.h"

namespace {

using namespace platform::text;

// The box of every pixel that is not the background.
struct Ink {
    int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN, count = 0;
    bool Empty() const { return count == 0; }
};

Ink InkOf(const Surface& s, uint16_t background = 0xFFFF) {
    Ink ink;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (s.PixelAt(x, y) != background) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
                ++ink.count;
            }
    return ink;
}

struct Text : ::testing::Test {
    WMSurface surface{320, 120};
    Font* regular = FontManager::Instance().GetFont(400, 20);
    Font* bold = FontManager::Instance().GetFont(700, 20);
    Text() { Clear(); }
    void Clear() { surface.FillRect(Rect(0, 0, 320, 120), 0xFFFF); }
    DeviceContext& Dc(Font* f) {
        DeviceContext& dc = surface.BeginGdi();
        dc.SelectFont(f);
        dc.SetTextColor(0x000000);
        return dc;
    }
    // Clears the surface, draws `s` into `box` in the regular font and returns the ink.
    Ink Draw(std::u16string_view s, TextRect box, uint32_t flags) {
        Clear();
        Dc(regular).DrawText(s, box, flags);
        surface.EndGdi();
        return InkOf(surface);
    }
};

TEST_F(Text, DrawnInkStaysInsideTheMeasuredExtent) {
    const std::u16string s = U16("Hello, мир! Ж");
    DeviceContext& dc = Dc(regular);
    TextSize size = dc.GetTextExtent(s);
    ASSERT_TRUE(dc.ExtTextOut(10, 30, s));
    surface.EndGdi();
    Ink ink = InkOf(surface);
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 10 + size.width + 1);
    EXPECT_GE(ink.right, 10 + size.width - 3);
    EXPECT_GE(ink.top, 30);
    EXPECT_LE(ink.bottom, 30 + size.height);
    EXPECT_EQ(size.height, 20);
}

TEST_F(Text, PerCharacterExtentsMatchWhereEachPrefixEnds) {
    const std::u16string s = U16("Wide Яя");
    std::vector<int32_t> extents;
    int32_t fit = 0;
    DeviceContext& dc = Dc(regular);
    TextSize whole = dc.GetTextExtentEx(s, 40, &fit, &extents);
    ASSERT_EQ(extents.size(), s.size());
    EXPECT_EQ(extents.back(), whole.width);
    for (size_t i = 1; i < s.size(); ++i) {
        EXPECT_EQ(extents[i - 1], dc.GetTextExtent(s.substr(0, i)).width);
        EXPECT_GE(extents[i], extents[i - 1]);
    }
    EXPECT_LE(extents[fit - 1], 40);
    EXPECT_GT(extents[fit], 40);
    // A character outside the basic plane takes two units, both ending with it.
    std::u16string astral = u"a\U0001F600";
    dc.GetTextExtentEx(astral, 1000, &fit, &extents);
    ASSERT_EQ(extents.size(), 3u);
    EXPECT_EQ(extents[1], extents[2]);
    EXPECT_EQ(fit, 3);
    surface.EndGdi();
}

TEST_F(Text, AlignmentFlagsPlaceTheLine) {
    Ink c = Draw(u"Centre", TextRect{0, 0, 320, 120}, kCenter | kVCenter | kSingleLine);
    EXPECT_NEAR((c.left + c.right) / 2.0, 160, 3);
    EXPECT_NEAR((c.top + c.bottom) / 2.0, 60, 5);
    Ink r = Draw(u"Centre", TextRect{0, 0, 320, 120}, kRight | kBottom | kSingleLine);
    EXPECT_GE(r.right, 316);
    EXPECT_GE(r.bottom, 100);
}

TEST_F(Text, WordWrapBreaksAtSpacesAndCalcRectMeasuresIt) {
    const std::u16string s = U16("one two three four five six seven eight nine ten");
    DeviceContext& dc = Dc(regular);
    TextRect measure{10, 10, 110, 10};
    int32_t h = dc.DrawText(s, measure, kWordBreak | kCalcRect);
    EXPECT_EQ(measure.right, 110) << "the width stays when words wrap";
    EXPECT_EQ(measure.bottom, 10 + h);
    EXPECT_EQ(h % regular->LineHeight(), 0);
    EXPECT_GE(h / regular->LineHeight(), 4);
    EXPECT_TRUE(InkOf(surface).Empty()) << "measuring draws nothing";
    TextRect box{10, 10, 110, 120};
    dc.DrawText(s, box, kWordBreak);
    surface.EndGdi();
    Ink ink = InkOf(surface);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 110);
    EXPECT_LE(ink.bottom, 10 + h);

    // One word longer than the line is cut between characters.
    Clear();
    TextRect narrow{0, 0, 40, 0};
    int32_t lines = Dc(regular).DrawText(u"abcdefghijklmnop", narrow, kWordBreak | kCalcRect) / regular->LineHeight();
    surface.EndGdi();
    EXPECT_GE(lines, 3);
    // A hyphenated word may end a line at its hyphen.
    TextRect hyphen{0, 0, Dc(regular).GetTextExtent(u"transparent").width + 2, 0};
    EXPECT_EQ(Dc(regular).DrawText(u"half-transparent", hyphen, kWordBreak | kCalcRect), 2 * regular->LineHeight());
    surface.EndGdi();
}

TEST_F(Text, EndEllipsisKeepsTheLineInsideItsBox) {
    const std::u16string s = U16("A label far too long for its little box");
    Ink withEllipsis = Draw(s, TextRect{0, 0, 120, 30}, kEndEllipsis | kSingleLine | kNoClip);
    EXPECT_LE(withEllipsis.right, 121);
    EXPECT_GT(withEllipsis.right, 90) << "the line is used up to the box";
    EXPECT_GT(Draw(s, TextRect{0, 0, 120, 30}, kSingleLine | kNoClip).right, 200) << "without it the text runs on";
    // Wrapped in a box of several lines, a text that fits says nothing of going on below it.
    EXPECT_LE(Draw(u"Short", TextRect{0, 0, 120, 90}, kWordBreak | kEndEllipsis).bottom, regular->LineHeight());
}

TEST_F(Text, PrefixUnderlinesTheMarkedCharacterUnlessTurnedOff) {
    const TextRect box{0, 0, 200, 40};
    const Ink marked = Draw(u"&File", box, kSingleLine), plain = Draw(u"File", box, kSingleLine);
    EXPECT_EQ(marked.right, plain.right) << "the ampersand itself is not drawn";
    EXPECT_GT(marked.bottom, plain.bottom) << "the F is underlined";
    EXPECT_GT(Draw(u"&File", box, kSingleLine | kNoPrefix).right, plain.right) << "no-prefix shows the ampersand";
}

// Fonts are shared per weight, height and underline; a positive height is the
// whole cell, a negative one the em.
TEST_F(Text, FontsBoldUnderlineColourAndCyrillic) {
    EXPECT_EQ(FontManager::Instance().GetFont(400, 20), regular);
    EXPECT_EQ(regular->LineHeight(), 20);
    EXPECT_GT(FontManager::Instance().GetFont(400, -20)->LineHeight(), 20);
    DeviceContext& dc = Dc(regular);
    EXPECT_GT(Dc(bold).GetTextExtent(u"Bold text").width, dc.GetTextExtent(u"Bold text").width);
    Font* underlined = FontManager::Instance().GetFont(400, 20, true);
    EXPECT_NE(underlined, regular);
    Dc(underlined).SetTextColor(0x0000FF);  // red in the platform's colour layout
    surface.BeginGdi().ExtTextOut(0, 0, u"__ii");
    surface.EndGdi();
    Ink ink = InkOf(surface);
    bool solidRed = false;
    for (int i = 0; i < 320 * 120; ++i) solidRed |= surface.Pixels()[i] == 0xF800;
    EXPECT_TRUE(solidRed) << "fully covered pixels take the exact text colour";
    EXPECT_GT(ink.bottom, underlined->Ascent());

    // Cyrillic letters have glyphs of their own, not the missing-glyph box.
    const Glyph& zhe = regular->GetGlyph(U'Ж');
    const Glyph& missing = regular->GetGlyph(0x0378);
    EXPECT_GT(zhe.advance, 0);
    EXPECT_NE(zhe.coverage, missing.coverage);
}

TEST_F(Text, ClipAndOriginOfTheSurfaceApply) {
    surface.PushClip(Rect(50, 0, 30, 120));
    surface.SetOrigin(40, 20);
    DeviceContext& dc = Dc(regular);
    dc.ExtTextOut(0, 0, u"MMMMMMMMMM");
    surface.EndGdi();
    Ink ink = InkOf(surface);
    EXPECT_GE(ink.left, 50);
    EXPECT_LE(ink.right, 80);
    EXPECT_GE(ink.top, 20);
}

}  // namespace
