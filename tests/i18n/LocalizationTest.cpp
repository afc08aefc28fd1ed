#include <gtest/gtest.h>

#include "../support/TempDir.h"
#include "base/Text.h"
#include "i18n/Localization.h"
#include "platform/device/DeviceRoot.h"

namespace {

const char* const kTwoLanguages = R"(<?xml version="1.0" encoding="UTF-8"?>
<localization>
  <languages>
    <default name="en"/>
    <language id="0409" name="en" title="English"/>
    <language id="0419" name="ru" title="Русский"/>
    <note>ignored</note>
  </languages>
  <strings>
    <s id="1"><en val="Yes"/><ru val="Да"/></s>
    <!-- a comment between entries is no entry -->
    <s id="2"><en val="No"/></s>
    <s id="3"><en val="Back"/><ru/><ru val="never read"/></s>
    <s><en val="no id"/></s>
    <s id="x7"><en val="not a number"/></s>
    <s id="4"><de val="Zurück"/><en val="Back"/></s>
  </strings>
</localization>
)";

class LocalizationTest : public ::testing::Test {
protected:
    void SetUp() override { l10n.Clear(); }
    void TearDown() override { l10n.Clear(); }
    std::filesystem::path Write(const std::string& content) { return dir.Write("localization.xml", content); }

    TempDir dir;
    Localization& l10n = Localization::Instance();
};

// The language whose id is the locale, hex digits in either case; with a
// locale the file lacks, the file's default; without a locale, the current
// device's.
TEST_F(LocalizationTest, ChoosesTheLanguageOfTheLocaleOrOfTheCurrentDevice) {
    std::string lowerCase = kTwoLanguages;
    lowerCase.replace(lowerCase.find("0419"), 4, "041a");
    ASSERT_TRUE(l10n.Load(Write(lowerCase), u"041A"));
    EXPECT_EQ(l10n.Text(1), U16("Да"));
    const auto file = Write(kTwoLanguages);
    l10n.Clear();
    ASSERT_TRUE(l10n.Load(file, u"0407"));
    EXPECT_EQ(l10n.CurrentLanguage(), u"en");
    l10n.Clear();
    platform::DeviceInfo info;
    info.localeId = "0419";
    platform::SetCurrentDevice(platform::DeviceRoot(dir.Path(), info));
    EXPECT_TRUE(l10n.Load(file));
    platform::ClearCurrentDevice();
    EXPECT_EQ(l10n.CurrentLanguage(), u"ru");
}

TEST_F(LocalizationTest, ReadsEntriesAsTheFileGivesThem) {
    ASSERT_TRUE(l10n.Load(Write(kTwoLanguages), u"0409"));
    const auto& languages = l10n.Languages();
    // An entry without "val" ends its entry: the later Russian text is not read.
    EXPECT_EQ(languages.at(u"ru").strings.count(3), 0u);
    EXPECT_EQ(l10n.Text(3), u"Back");
    // Entries without a numeric id are skipped, not numbered 0.
    EXPECT_EQ(languages.at(u"en").strings.count(0), 0u);
    // A language only named by texts exists, without id or title.
    ASSERT_EQ(languages.count(u"de"), 1u);
    EXPECT_TRUE(languages.at(u"de").id.empty());
    EXPECT_EQ(languages.at(u"de").strings.at(4), U16("Zurück"));
    EXPECT_EQ(languages.count(u"note"), 0u);
}

// With nothing (or nothing sound) loaded every lookup misses, and the
// language list stays empty instead of gaining an untitled entry.
TEST_F(LocalizationTest, BrokenFilesLeaveLookupsAnsweringWithNumbers) {
    EXPECT_EQ(l10n.Text(6000), u"STR_6000");
    EXPECT_TRUE(l10n.Languages().empty());
    EXPECT_FALSE(l10n.Load(Write("<localization><languages><default name=\"en\"/>"), u"0409"));  // cut short
    EXPECT_FALSE(l10n.Load(Write("not xml at all"), u"0409"));
    EXPECT_TRUE(l10n.Languages().empty());
    EXPECT_EQ(l10n.CurrentLanguage(), u"");
    EXPECT_EQ(l10n.Text(1), u"STR_1");

    // A declaration missing an attribute ends the loading before any text.
    EXPECT_FALSE(l10n.Load(Write(R"(<localization><languages><default name="en"/>
        <language id="0409" name="en" title="English"/><language id="0419" name="ru"/></languages>
        <strings><s id="1"><en val="Yes"/></s></strings></localization>)"),
                           u"0409"));
    EXPECT_EQ(l10n.Languages().size(), 1u);
    EXPECT_EQ(l10n.Text(1), u"STR_1");
    // So does a file without texts; the languages read stay, none is chosen.
    EXPECT_FALSE(l10n.Load(Write(R"(<localization><languages><default name="en"/>
        <language id="0409" name="en" title="English"/></languages></localization>)"), u"0409"));
    EXPECT_EQ(l10n.CurrentLanguage(), u"");

    l10n.Clear();
    EXPECT_FALSE(l10n.Load(Write(R"(<localization><languages><language id="0409" name="en" title="E"/>
        </languages><strings/></localization>)"),
                           u"0409"));  // no default
    EXPECT_TRUE(l10n.Languages().empty());
}

TEST_F(LocalizationTest, NeverLoadsExternalEntities) {
    dir.Write("secret.txt", "TOP-SECRET");
    auto file = Write(R"(<?xml version="1.0"?>
<!DOCTYPE localization [
  <!ENTITY xxe SYSTEM "secret.txt">
  <!ENTITY inner "expanded">
]>
<localization><languages><default name="en"/><language id="0409" name="en" title="English"/></languages>
<strings><s id="1"><en val="&xxe;"/></s><s id="2"><en val="&inner;"/></s><s id="3"><en val="a&amp;b"/></s></strings>
</localization>)");
    l10n.Load(file, u"0409");
    EXPECT_EQ(l10n.Text(1).find(u"TOP-SECRET"), std::u16string::npos);
    EXPECT_EQ(l10n.Text(2).find(u"expanded"), std::u16string::npos);
    EXPECT_EQ(l10n.Text(3), u"a&b");
}

TEST_F(LocalizationTest, ReadsUtf16Files) {
    std::u16string xml = u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><localization><languages>"
                         u"<default name=\"ru\"/><language id=\"0419\" name=\"ru\" title=\"R\"/></languages>"
                         u"<strings><s id=\"1\"><ru val=\"\u0414\u0430\"/></s></strings></localization>";
    std::string bytes;
    for (char16_t c : xml) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    ASSERT_TRUE(l10n.Load(Write(bytes), u"0409"));
    EXPECT_EQ(l10n.Text(1), U16("Да"));
}

}  // namespace
