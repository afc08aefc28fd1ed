#include <gtest/gtest.h>

#include <clocale>

#include "base/Text.h"

namespace {

TEST(Text, Utf8Utf16RoundTrip) {
    const std::string samples[] = {"", "plain", "Привет, мир", "€ and 𝄞 and 中文", std::string("nul\0in", 6)};
    for (const auto& s : samples) EXPECT_EQ(text::Utf16ToUtf8(text::Utf8ToUtf16(s)), s);
    EXPECT_EQ(text::Utf8ToUtf16("𝄞"), std::u16string(u"\xD834\xDD1E"));
}

TEST(Text, InvalidUtf8BecomesReplacementCharacter) {
    EXPECT_EQ(text::Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(text::Utf8ToUtf16("\xC3"), u"\uFFFD");                 // truncated
    EXPECT_EQ(text::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");       // overlong '/'
    EXPECT_EQ(text::Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(text::Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
    EXPECT_EQ(text::Utf8ToUtf16("\x80x"), u"\uFFFDx");
}

TEST(Text, LoneSurrogateBecomesReplacementInUtf8) {
    EXPECT_EQ(text::Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(text::Utf16ToUtf8(std::u16string(u"x") + char16_t(0xDC00) + u"y"), "x\xEF\xBF\xBDy");
}

TEST(Text, ParseIntReadsLikeAStreamExtraction) {
    int32_t v = 77;
    EXPECT_TRUE(text::ParseInt(u"  42abc", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(text::ParseInt("-17", v));
    EXPECT_EQ(v, -17);
    EXPECT_TRUE(text::ParseInt("+5", v));
    EXPECT_EQ(v, 5);
    v = 77;
    EXPECT_FALSE(text::ParseInt(u"abc", v));
    EXPECT_FALSE(text::ParseInt(u"", v));
    EXPECT_FALSE(text::ParseInt(u"-", v));
    EXPECT_FALSE(text::ParseInt(u"99999999999", v));  // out of range: no value
    EXPECT_EQ(v, 77);
}

TEST(Text, ParseDoubleIgnoresTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may not exist; the C locale still proves the reading
    double d = -1;
    EXPECT_TRUE(text::ParseDouble(" 3.5", d));
    EXPECT_DOUBLE_EQ(d, 3.5);
    EXPECT_TRUE(text::ParseDouble(u"4.25x", d));
    EXPECT_DOUBLE_EQ(d, 4.25);
    d = -1;
    EXPECT_FALSE(text::ParseDouble("x3", d));
    EXPECT_EQ(d, -1);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Text, CaseFoldingAndReplacement) {
    EXPECT_TRUE(text::EqualsIgnoreCase(u"SmartPhone", u"smartphone"));
    EXPECT_FALSE(text::EqualsIgnoreCase(u"Smartphone", u"Smartphones"));
    EXPECT_EQ(text::ReplaceAll(u"a--br--b--br--", u"--br--", u"\r"), u"a\rb\r");
    EXPECT_EQ(text::ReplaceAll("x", "", "y"), "x");
}

}  // namespace
