#include <gtest/gtest.h>

#include <clocale>

#include "base/Text.h"

namespace {

TEST(Text, Utf8AndUtf16ConvertBothWaysAndBrokenInputBecomesReplacementCharacters) {
    // The last string holds the smallest code point of each longer form (U+0080, U+0800, U+10000): none is overlong.
    for (const std::string& s : {std::string("Привет, € 𝄞 中文"), std::string("nul\0in", 6), std::string(),
                                 std::string("\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80")})
        EXPECT_EQ(text::Utf16ToUtf8(text::Utf8ToUtf16(s)), s);
    EXPECT_EQ(text::Utf8ToUtf16("𝄞"), std::u16string(u"\xD834\xDD1E"));
    const std::pair<std::string, std::u16string> broken[] = {
        {"a\xFF" "b", u"a\uFFFDb"}, {"\xC3", u"\uFFFD"}, {"\xC0\xAF", u"\uFFFD\uFFFD"},  // truncated, overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                                        // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, {"\x80x", u"\uFFFDx"},       // above U+10FFFF
    };
    for (const auto& [in, out] : broken) EXPECT_EQ(text::Utf8ToUtf16(in), out);
    EXPECT_EQ(text::Utf16ToUtf8(std::u16string(u"x") + char16_t(0xDC00) + u"y"), "x\xEF\xBF\xBDy");  // a lone surrogate
}

TEST(Text, NumbersAreReadLikeAStreamExtractionWhateverTheProcessLocale) {
    int32_t v = 77;
    for (const auto& [in, out] : {std::pair{u"  42abc", 42}, {u"-17", -17}, {u"+5", 5}}) {
        EXPECT_TRUE(text::ParseInt(std::u16string_view(in), v));
        EXPECT_EQ(v, out);
    }
    v = 77;
    for (const char16_t* bad : {u"abc", u"", u"-", u"99999999999"}) EXPECT_FALSE(text::ParseInt(bad, v));
    EXPECT_EQ(v, 77) << "a refused number leaves the value alone";

    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may not exist; the C locale still proves the reading
    double d = -1;
    EXPECT_TRUE(text::ParseDouble(u" 4.25x", d));
    EXPECT_DOUBLE_EQ(d, 4.25);
    EXPECT_FALSE(text::ParseDouble("x3", d));
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Text, CaseFoldingAndReplacement) {
    EXPECT_TRUE(text::EqualsIgnoreCase(u"SmartPhone", u"smartphone"));
    EXPECT_FALSE(text::EqualsIgnoreCase(u"Smartphone", u"Smartphones"));
    EXPECT_EQ(text::ReplaceAll(u"a--br--b--br--", u"--br--", u"\r"), u"a\rb\r");
    EXPECT_EQ(text::ReplaceAll("x", "", "y"), "x");
}

}  // namespace
