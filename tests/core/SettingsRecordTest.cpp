#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "../support/FileSizeLimit.h"
#include "../support/TempDir.h"
#include "base/Text.h"
#include "core/SettingsRecord.h"

namespace {

std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }

uint16_t UnitAt(const SettingsRecord::Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

SettingsRecord Sample() {
    SettingsRecord r;
    r.language = u"ru";
    r.profile.osver = u"wm65ppc";
    r.profile.width = 480;
    r.profile.height = -640;  // signed on purpose: the field is a signed 32-bit value
    r.profile.phone = r.profile.bt = r.profile.gl = r.profile.cam3g = r.profile.gps = true;
    r.login = U16("user@пример");
    r.password = U16("pa$$ 𝄞 word");  // a whole pair within the field is kept whole
    r.sortOrder = u"createtime";
    r.priceFilter = u"free";
    r.keepPackagesOnCard = 1;
    return r;
}

void ExpectSame(const SettingsRecord& a, const SettingsRecord& b) {
    EXPECT_EQ(std::tie(a.language, a.profile, a.login, a.password, a.sortOrder, a.priceFilter, a.keepPackagesOnCard),
              std::tie(b.language, b.profile, b.login, b.password, b.sortOrder, b.priceFilter, b.keepPackagesOnCard));
}

// Every field where the layout puts it, and back through a file; then the
// complementary flags, so that every flag is seen both ways.
TEST(SettingsRecord, EveryFieldSurvivesAFileRoundTripInItsPlace) {
    TempDir dir;
    SettingsRecord written = Sample();
    const SettingsRecord::Bytes b = written.Encode();
    const std::pair<size_t, uint8_t> bytes[] = {{0, 0x60}, {1, 0x03}, {2, 0}, {3, 0},  // 864, little-endian
                                                {4, 'r'}, {6, 'u'}, {24, 'w'}, {462, 'c'}, {662, 'f'},
                                                {444, 0xE0}, {445, 0x01}, {448, 0x80}, {451, 0xFF}, {862, 1}};
    for (const auto& [at, value] : bytes) EXPECT_EQ(b[at], value) << "byte " << at;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(b[452 + i], i % 2 == 0 ? 1 : 0) << "flag " << i;
    const auto roundTrip = [&dir](const SettingsRecord& r) {
        ASSERT_TRUE(r.WriteFile(dir / "settings.dat"));
        EXPECT_EQ(std::filesystem::file_size(dir / "settings.dat"), 864u);
        auto read = SettingsRecord::ReadFile(dir / "settings.dat");
        ASSERT_TRUE(read);
        ExpectSame(*read, r);
    };
    roundTrip(written);
    for (bool* f : {&written.profile.phone, &written.profile.irda, &written.profile.bt, &written.profile.wifi,
                    &written.profile.gl, &written.profile.cam, &written.profile.cam3g, &written.profile.accel,
                    &written.profile.gps, &written.profile.keypad})
        *f = !*f;
    written.keepPackagesOnCard = 0;
    roundTrip(written);
}

TEST(SettingsRecord, CredentialsAreScrambledReversiblyAndNeverEndEarly) {
    const SettingsRecord r = Sample();
    const SettingsRecord::Bytes b = r.Encode();
    for (size_t i = 0; i < r.login.size(); ++i) {
        EXPECT_NE(UnitAt(b, 44 + 2 * i), 0) << "a scrambled unit must never end the text early";
        EXPECT_EQ(static_cast<char16_t>(UnitAt(b, 44 + 2 * i) ^ SettingsRecord::kScrambleKey), r.login[i]);
    }
    const std::string dump(b.begin(), b.end());
    EXPECT_EQ(dump.find(std::string("p\0a\0$\0$\0", 8)), std::string::npos);
}

TEST(SettingsRecord, OverlongTextsAreCutAndLeaveTheNextFieldIntact) {
    SettingsRecord r;
    r.login = Repeat(u'L', 150);
    r.password = Repeat(u'P', 99);  // fits exactly
    r.priceFilter = Repeat(u'p', 300);
    r.language = u"abcdefghijk";
    r.profile.osver = u"wm65ppc-extra";
    // A pair that straddles the end is dropped whole, never half kept.
    r.sortOrder = Repeat(u'x', 98) + u"\U0001D11E";
    std::vector<std::string> truncated;
    SettingsRecord::Bytes b = r.Encode(&truncated);
    EXPECT_EQ(truncated, (std::vector<std::string>{"language", "osver", "login", "sort", "price"}));
    auto back = SettingsRecord::Decode(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tie(back->login, back->password, back->priceFilter, back->language, back->profile.osver,
                       back->sortOrder),
              std::tie(r.login.erase(99), r.password, r.priceFilter.erase(99), r.language.erase(9),
                       r.profile.osver.erase(9), r.sortOrder.erase(98)));
    EXPECT_EQ(UnitAt(b, 44 + 198), 0) << "the cut text keeps its terminator";
    for (size_t i = 462 + 2 * 98; i < 662; ++i) EXPECT_EQ(b[i], 0) << "byte " << i;
}

// A damaged file may leave a field without its terminator. What is read must
// still fit back, or the next save would change the language or the login.
TEST(SettingsRecord, AFieldWithoutTerminatorReadsWhatFitsBack) {
    SettingsRecord::Bytes b = Sample().Encode();
    for (size_t at = 4; at < 44; at += 2) b[at] = 'x', b[at + 1] = 0;             // language and osver
    for (size_t at = 44; at < 244; at += 2) b[at] = 'L' ^ 0xD9, b[at + 1] = 0xFD;  // scrambled login
    auto read = SettingsRecord::Decode(b);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::tie(read->language, read->profile.osver, read->login),
              std::make_tuple(Repeat(u'x', 9), Repeat(u'x', 9), Repeat(u'L', 99)));
    std::vector<std::string> truncated;
    auto again = SettingsRecord::Decode(read->Encode(&truncated));
    EXPECT_TRUE(truncated.empty());
    ASSERT_TRUE(again);
    ExpectSame(*again, *read);
}

// A short or foreign file is never half applied; a save that fails (the disk
// fills up in the middle of the record) keeps the previous file.
TEST(SettingsRecord, ShortOrForeignFilesAreRefusedAndAFailedSaveKeepsTheOldOne) {
    TempDir dir;
    const SettingsRecord::Bytes good = Sample().Encode();
    EXPECT_FALSE(SettingsRecord::ReadFile(dir / "absent.dat"));
    EXPECT_FALSE(SettingsRecord::ReadFile(dir.Write("short.dat", std::vector<uint8_t>(good.begin(), good.end() - 1))));
    EXPECT_FALSE(SettingsRecord::ReadFile(dir.Path()));  // a folder, not a file
    for (uint32_t size : {0u, 863u, 865u, 0x60030000u /* 864 written big-endian */}) {
        std::vector<uint8_t> bad(good.begin(), good.end());
        for (int i = 0; i < 4; ++i) bad[i] = static_cast<uint8_t>(size >> (8 * i));
        EXPECT_FALSE(SettingsRecord::ReadFile(dir.Write("bad.dat", bad))) << size;
    }
    const auto file = dir.Write("good.dat", std::vector<uint8_t>(good.begin(), good.end()));
    SettingsRecord next = Sample();
    next.login = u"someone-else";
    {
        FileSizeLimit limit(500);
        EXPECT_FALSE(next.WriteFile(file));
    }
    const auto kept = SettingsRecord::ReadFile(file);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->login, Sample().login);
}

}  // namespace
