#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/Text.h"
#include "i18n/Localization.h"

namespace {

const char* const kShippedFile = TOBRIX_SOURCE_DIR "/data/localization.xml";

// Every string number the program shows or uses as a message, in one place:
// add a number here when code starts using it. Pairs are inclusive ranges.
const std::vector<std::pair<int32_t, int32_t>> kUsedNumbers = {
    {0, 15},          {200, 210},       {998, 999},       {1000, 1011},     {2000, 2004},
    {3000, 3020},     {4000, 4009},     {5000, 5007},     {6000, 6001},     {7000, 7002},
    {8000, 8009},     {9000, 9019},     {10000, 10007},   {11000, 11018},   {12000, 12011},
    {13000, 13006},   {14000, 14002},   {99999, 99999},
};

// Templates and the placeholders the program fills in; a translation that
// drops one silently loses the application name, size or version.
const std::vector<std::pair<int32_t, std::vector<std::u16string>>> kTemplates = {
    {5006, {u"--ver--"}},
    {11006, {u"--app--"}},
    {11007, {u"--app--", u"--size--"}},
    {11009, {u"--app--", u"--size--"}},
    {11014, {u"--app--", u"--size--"}},
};

class ShippedStrings : public ::testing::Test {
protected:
    void SetUp() override {
        l10n.Clear();
        ASSERT_TRUE(l10n.Load(kShippedFile, u"0409"));
    }
    Localization& l10n = Localization::Instance();
};

TEST_F(ShippedStrings, EveryUsedNumberHasATextInBothLanguages) {
    ASSERT_EQ(l10n.Languages().size(), 2u);
    for (const auto& [name, language] : l10n.Languages()) {
        for (const auto& [first, last] : kUsedNumbers) {
            for (int32_t n = first; n <= last; ++n) {
                auto it = language.strings.find(n);
                ASSERT_NE(it, language.strings.end()) << U8(name) << " lacks " << n;
                if (n == 99999)
                    EXPECT_TRUE(it->second.empty()) << "the catalog path prefix must stay empty";
                else
                    EXPECT_FALSE(it->second.empty()) << U8(name) << " " << n;
                // Line breaks are written as markers; a raw one would not
                // survive the round trip through the service.
                EXPECT_EQ(it->second.find(u'\n'), std::u16string::npos) << U8(name) << " " << n;
            }
        }
    }
}

TEST_F(ShippedStrings, TemplatesKeepTheirPlaceholdersInEveryLanguage) {
    for (const auto& [name, language] : l10n.Languages()) {
        for (const auto& [number, placeholders] : kTemplates) {
            const std::u16string& text = language.strings.at(number);
            for (const auto& p : placeholders)
                EXPECT_NE(text.find(p), std::u16string::npos) << U8(name) << " " << number << " lacks " << U8(p);
        }
    }
}

TEST_F(ShippedStrings, ScreenshotCaptionDropsThePluralEnding) {
    // The screenshot caption is the title without its last character.
    for (const char* name : {"en", "ru"}) {
        ASSERT_TRUE(l10n.SetCurrentLanguage(U16(name)));
        std::u16string title = l10n.Text(8004);
        EXPECT_NE(title.back(), u' ') << name;
        EXPECT_NE(title.back(), u':') << name;
    }
}

}  // namespace
