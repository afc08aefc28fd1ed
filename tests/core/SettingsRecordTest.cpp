#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "../support/FileSizeLimit.h"
#include "TempDir.h"
#include "base/Text.h"
#include "core/SettingsRecord.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }

uint16_t UnitAt(const SettingsRecord::Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

SettingsRecord Sample() {
    SettingsRecord r;
    r.language = u"ru";
    r.profile.osver = u"wm65ppc";
    r.profile.width = 480;
    r.profile.height = -640;  // signed on purpose: the field is a signed 32-bit value
    r.profile.phone = true;
    r.profile.bt = true;
    r.profile.gl = true;
    r.profile.cam3g = true;
    r.profile.gps = true;
    r.login = U16("user@пример");
    r.password = U16("pa$$ 𝄞 word");
    r.sortOrder = u"createtime";
    r.priceFilter = u"free";
    r.keepPackagesOnCard = 1;
    return r;
}

void ExpectSame(const SettingsRecord& a, const SettingsRecord& b) {
    EXPECT_EQ(a.language, b.language);
    EXPECT_EQ(a.profile, b.profile);
    EXPECT_EQ(a.login, b.login);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.sortOrder, b.sortOrder);
    EXPECT_EQ(a.priceFilter, b.priceFilter);
    EXPECT_EQ(a.keepPackagesOnCard, b.keepPackagesOnCard);
}

TEST(SettingsRecord, EveryFieldSurvivesAFileRoundTrip) {
    TempDir dir;
    SettingsRecord written = Sample();
    ASSERT_TRUE(written.WriteFile(dir / "settings.dat"));
    EXPECT_EQ(std::filesystem::file_size(dir / "settings.dat"), 864u);
    auto read = SettingsRecord::ReadFile(dir / "settings.dat");
    ASSERT_TRUE(read);
    ExpectSame(*read, written);

    // The complementary flags, so that every flag is seen both ways.
    SettingsRecord flipped = written;
    for (bool* f : {&flipped.profile.phone, &flipped.profile.irda, &flipped.profile.bt, &flipped.profile.wifi,
                    &flipped.profile.gl, &flipped.profile.cam, &flipped.profile.cam3g, &flipped.profile.accel,
                    &flipped.profile.gps, &flipped.profile.keypad})
        *f = !*f;
    flipped.keepPackagesOnCard = 0;
    ASSERT_TRUE(flipped.WriteFile(dir / "settings.dat"));
    ExpectSame(*SettingsRecord::ReadFile(dir / "settings.dat"), flipped);
}

TEST(SettingsRecord, BytesFollowTheRecordLayout) {
    const SettingsRecord r = Sample();
    const SettingsRecord::Bytes b = r.Encode();
    EXPECT_EQ(b[0], 0x60);  // 864, little-endian
    EXPECT_EQ(b[1], 0x03);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(UnitAt(b, 4), u'r');
    EXPECT_EQ(UnitAt(b, 6), u'u');
    EXPECT_EQ(UnitAt(b, 24), u'w');
    EXPECT_EQ(UnitAt(b, 462), u'c');
    EXPECT_EQ(UnitAt(b, 662), u'f');
    EXPECT_EQ(b[444], 0xE0);  // 480
    EXPECT_EQ(b[445], 0x01);
    EXPECT_EQ(b[448], 0x80);  // -640 = 0xFFFFFD80
    EXPECT_EQ(b[451], 0xFF);
    const uint8_t flags[10] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(b[452 + i], flags[i]) << "flag " << i;
    EXPECT_EQ(b[862], 1);
    EXPECT_EQ(b[863], 0);

    // Everything after a terminator is zero, in every text field.
    struct Field { size_t at, bytes, used; };
    const Field fields[] = {{4, 20, 2}, {24, 20, 7}, {44, 200, r.login.size()}, {244, 200, r.password.size()},
                            {462, 200, 10}, {662, 200, 4}};
    for (const auto& f : fields)
        for (size_t i = f.at + 2 * f.used; i < f.at + f.bytes; ++i) EXPECT_EQ(b[i], 0) << "byte " << i;
}

TEST(SettingsRecord, CredentialsAreScrambledReversibly) {
    const SettingsRecord r = Sample();
    const SettingsRecord::Bytes b = r.Encode();
    for (size_t i = 0; i < r.login.size(); ++i) {
        EXPECT_NE(UnitAt(b, 44 + 2 * i), r.login[i]);
        EXPECT_NE(UnitAt(b, 44 + 2 * i), 0) << "a scrambled unit must never end the text early";
        EXPECT_EQ(static_cast<char16_t>(UnitAt(b, 44 + 2 * i) ^ SettingsRecord::kScrambleKey), r.login[i]);
    }
    std::string dump(b.begin(), b.end());
    EXPECT_EQ(dump.find("pa$$"), std::string::npos);
    EXPECT_EQ(dump.find(std::string("p\0a\0$\0$\0", 8)), std::string::npos);

    const std::u16string all = [] {
        std::u16string s;
        for (uint32_t c = 1; c < 0x10000; c += 7) s.push_back(static_cast<char16_t>(c));
        return s;
    }();
    EXPECT_EQ(ScrambleText(ScrambleText(all)), all);
    EXPECT_NE(ScrambleText(u"secret"), u"secret");
}

TEST(SettingsRecord, TextsFillTheirFieldsAndOverlongOnesAreCut) {
    SettingsRecord full;
    full.login = full.password = full.sortOrder = Repeat(u'L', 99);
    full.language = full.profile.osver = Repeat(u'l', 9);
    std::vector<std::string> none;
    auto exact = SettingsRecord::Decode(full.Encode(&none));
    ASSERT_TRUE(exact);
    EXPECT_TRUE(none.empty());
    ExpectSame(*exact, full);

    SettingsRecord r;
    r.login = Repeat(u'L', 150);
    r.password = Repeat(u'P', 100);
    r.priceFilter = Repeat(u'p', 300);
    r.language = u"abcdefghijk";
    r.profile.osver = u"wm65ppc-extra";
    // A pair that straddles the end is dropped whole, never half kept.
    r.sortOrder = Repeat(u'x', 98) + u"\U0001D11E";
    std::vector<std::string> truncated;
    SettingsRecord::Bytes b = r.Encode(&truncated);
    EXPECT_EQ(truncated, (std::vector<std::string>{"language", "osver", "login", "password", "sort", "price"}));
    auto back = SettingsRecord::Decode(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->login, Repeat(u'L', 99));
    EXPECT_EQ(back->password, Repeat(u'P', 99));
    EXPECT_EQ(back->priceFilter, Repeat(u'p', 99));
    EXPECT_EQ(back->language, u"abcdefghi");
    EXPECT_EQ(back->profile.osver, u"wm65ppc-e");
    EXPECT_EQ(back->sortOrder, Repeat(u'x', 98));
    // The cut text leaves its terminator in place: the next field is intact.
    EXPECT_EQ(UnitAt(b, 44 + 198), 0);
    EXPECT_EQ(UnitAt(b, 244), u'P' ^ SettingsRecord::kScrambleKey);
}

// A damaged file may leave a field without its terminator. What is read must
// still fit back, or the next save would change the language or the login.
TEST(SettingsRecord, AFieldWithoutTerminatorReadsWhatFitsBack) {
    SettingsRecord::Bytes b = Sample().Encode();
    for (size_t at = 4; at < 44; at += 2) b[at] = 'x', b[at + 1] = 0;             // language and osver
    for (size_t at = 44; at < 244; at += 2) b[at] = 'L' ^ 0xD9, b[at + 1] = 0xFD;  // scrambled login
    auto read = SettingsRecord::Decode(b);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->language, Repeat(u'x', 9));
    EXPECT_EQ(read->profile.osver, Repeat(u'x', 9));
    EXPECT_EQ(read->login, Repeat(u'L', 99));
    std::vector<std::string> truncated;
    auto again = SettingsRecord::Decode(read->Encode(&truncated));
    EXPECT_TRUE(truncated.empty());
    ASSERT_TRUE(again);
    ExpectSame(*again, *read);
}

TEST(SettingsRecord, ShortOrForeignFilesAreRefused) {
    TempDir dir;
    const SettingsRecord::Bytes good = Sample().Encode();
    EXPECT_FALSE(SettingsRecord::ReadFile(dir / "absent.dat"));
    EXPECT_FALSE(SettingsRecord::ReadFile(dir.Write("empty.dat", std::string())));
    EXPECT_FALSE(SettingsRecord::ReadFile(dir.Write("short.dat", std::vector<uint8_t>(good.begin(), good.end() - 1))));
    EXPECT_FALSE(SettingsRecord::ReadFile(dir.Path()));  // a folder, not a file

    for (uint32_t size : {0u, 863u, 865u, 0x60030000u /* 864 written big-endian */}) {
        std::vector<uint8_t> bad(good.begin(), good.end());
        for (int i = 0; i < 4; ++i) bad[i] = static_cast<uint8_t>(size >> (8 * i));
        EXPECT_FALSE(SettingsRecord::ReadFile(dir.Write("bad.dat", bad))) << size;
    }
    EXPECT_TRUE(SettingsRecord::ReadFile(dir.Write("good.dat", std::vector<uint8_t>(good.begin(), good.end()))));
}

size_t EntriesIn(const std::filesystem::path& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(SettingsRecord, AFailedSaveKeepsThePreviousFile) {
    TempDir dir;
    const auto file = dir / "settings.dat";
    SettingsRecord old = Sample();
    ASSERT_TRUE(old.WriteFile(file));
    const auto before = ReadBytes(file);

    SettingsRecord next = Sample();
    next.login = u"someone-else";
    {
        // The disk fills up in the middle of the record.
        FileSizeLimit limit(500);
        EXPECT_FALSE(next.WriteFile(file));
    }
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "the temporary file must be cleaned up";

    // The target cannot be replaced (a folder stands in its way).
    std::filesystem::create_directory(dir / "blocked.dat");
    dir.Write("blocked.dat/keep", "x");
    EXPECT_FALSE(next.WriteFile(dir / "blocked.dat"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "blocked.dat"));
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);

    // No folder to write into at all.
    EXPECT_FALSE(next.WriteFile(dir / "no-such-folder" / "settings.dat"));

    // And the next good save replaces the file as a whole.
    ASSERT_TRUE(next.WriteFile(file));
    EXPECT_EQ(SettingsRecord::ReadFile(file)->login, u"someone-else");
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

}  // namespace
