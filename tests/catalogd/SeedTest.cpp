// The seeded packages must install on the emulated device, and seeding must
// give the same catalog every time.
#include <gtest/gtest.h>

#include "Db.h"
#include "Package.h"
#include "PackageCheck.h"
#include "Seed.h"
#include "SeedData.h"
#include "SigningKeys.h"
#include "formats/PackageStatement.h"
#include "TestCatalog.h"
#include "base/Text.h"
#include "pkg/CabArchive.h"
#include "pkg/SetupDocument.h"

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

// Read with the device's own reader: its install name, a program, a
// shortcut and a registry key, every file it names inside, nothing publish
// would refuse, and a document a strict XML reader takes too (its copy is
// left in `scratch` for that).
void ExpectInstallable(const fs::path& cabinet, const std::string& sysid, const TempDir& scratch,
                       std::vector<fs::path>& documents) {
    SCOPED_TRACE(sysid);
    EXPECT_NO_THROW(CheckPublishedCabinet(ReadAll(cabinet), sysid));
    std::string error;
    auto cab = pkg::CabArchive::Open(cabinet, &error);
    ASSERT_TRUE(cab) << error;
    const fs::path work = scratch / std::to_string(documents.size());
    fs::create_directories(work);
    auto doc = pkg::ReadSetupDocument(*cab, work, &error);
    ASSERT_TRUE(doc) << error;
    EXPECT_EQ(text::Utf16ToUtf8(doc->installName), sysid);
    EXPECT_FALSE(doc->files.empty() || doc->shortcuts.empty() || doc->registry.empty());
    for (const auto& f : doc->files) EXPECT_TRUE(cab->Find(f.source)) << text::Utf16ToUtf8(f.source);
    documents.push_back(fs::directory_iterator(work)->path());  // the document as extracted
}

TEST(SeededPackages, EveryPackageIsACabinetTheInstallerUnderstands) {
    TempDir scratch;
    std::vector<fs::path> documents;
    Db store(SeededTemplate().string());
    Stmt& s = store.Prepare(
        "SELECT (SELECT value FROM meta WHERE key = 'assets') || '/' || package, sysid FROM apps ORDER BY id");
    bool storeFound = false;
    while (s.Step()) {
        storeFound |= s.Text(1) == kStoreSysid;
        ExpectInstallable(s.Text(0), s.Text(1), scratch, documents);
    }
    s.Reset();
    EXPECT_GE(documents.size(), 81u);
    EXPECT_TRUE(storeFound);
    // Markup characters in names survive the setup document.
    PackageLayout layout;
    layout.installName = "Pebble Cards & Dice \"Deluxe\" <Ёж>";
    layout.installDir = "%CE1%\\Cards & Dice";
    layout.files = {{"cards.exe", "CARDS.001", std::string(300, 'x')}};
    layout.shortcutName = "Cards & Dice.lnk";
    layout.shortcutTarget = "cards.exe";
    layout.registryKey = "HKLM\\Software\\Pebble\\Cards & Dice";
    layout.registryValues = {{"Version", "1.0", false}, {"Runs", "0", true}};
    ExpectInstallable(scratch.Write("markup.cab", BuildCabinet(layout)), layout.installName, scratch, documents);
    // So are the interface texts the store ships.
    documents.push_back(fs::path(TOBRIX_SOURCE_DIR) / "data" / "localization.xml");
    EXPECT_EQ(LintComplaints(documents), "");
}

TEST(Seed, TheSameOptionsGiveTheSameCatalog) {
    TempDir dir;
    auto seedInto = [&](const std::string& name) {
        Db db((dir / (name + ".db")).string());
        SeedCatalog(db, {(dir / name).string(), 4, {}});
        std::string dump;
        for (const char* table : {"categories", "apps", "tags", "app_tags", "screenshots", "ratings"}) {
            Stmt& s = db.Prepare(std::string("SELECT * FROM ") + table + " ORDER BY 1, 2");
            while (s.Step())
                for (int c = 0; c < s.ColumnCount(); ++c) dump += s.Text(c) + "|";
            s.Reset();
        }
        return dump;
    };
    EXPECT_EQ(seedInto("a"), seedInto("b"));
    int files = 0;
    for (const auto& f : fs::recursive_directory_iterator(dir / "a")) {
        if (!f.is_regular_file()) continue;
        ++files;
        EXPECT_EQ(ReadAll(f.path()), ReadAll(dir / "b" / fs::relative(f.path(), dir / "a"))) << f.path();
    }
    EXPECT_GE(files, 5 * 3);  // icon, package and a screenshot at least, for four apps and the store

    // Seeding again replaces the old catalog instead of adding to it.
    Db db((dir / "a.db").string());
    SeedCatalog(db, {(dir / "a").string(), 2, {}});
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM apps"), 3);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM accounts WHERE login = 'demo' AND activated = 1"), 1);
}

// More applications than the sample holds: numbered copies, each with an
// install name of its own, so the store can tell them apart, sharing the
// package and pictures of the application they copy under a statement
// signed for the copy.
TEST(Seed, ALargerCatalogGoesOnWithNumberedCopies) {
    TempDir dir;
    Db db((dir / "big.db").string());
    const int64_t sample = static_cast<int64_t>(seed::Apps().size());
    const int wanted = static_cast<int>(sample) * 2 + 3;
    SeedCatalog(db, {(dir / "big").string(), wanted, {}});
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM apps"), wanted + 1);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(DISTINCT sysid) FROM apps"), wanted + 1);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(DISTINCT package) FROM apps"), sample + 1);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM apps c JOIN apps o ON o.id = (c.id - 1) % ?1 + 1 WHERE "
                           "c.id <= ?2 AND (c.package <> o.package OR c.icon <> o.icon OR c.revision <> o.revision "
                           "OR c.catid <> o.catid OR c.name <> o.name || ' ' || ((c.id - 1) / ?1 + 1) "
                           "AND c.id > ?1)",
                           sample, int64_t(wanted)),
              0);
    Stmt& copy = db.Prepare("SELECT package, sysid, revision, version, package_size, sha256, package_key, package_sig "
                            "FROM apps WHERE id = ?1");
    copy.BindAll(sample + 1);
    ASSERT_TRUE(copy.Step());
    const std::string package = ReadAll(dir / "big" / copy.Text(0));
    const formats::PackageStatement statement{sample + 1, copy.Text(1), copy.Int(2), copy.Text(3),
                                              static_cast<int64_t>(package.size()), formats::Sha256Hex(package),
                                              copy.Text(6)};
    EXPECT_EQ(copy.Int(4), statement.size);
    EXPECT_EQ(copy.Text(5), statement.sha256);
    EXPECT_TRUE(formats::StatementVerifies(statement, copy.Text(7), LoadSigningKey("").publicKey));
    copy.Reset();
}

}  // namespace
}  // namespace catalogd::test
