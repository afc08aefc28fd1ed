// The seeded packages must install on the emulated device, and seeding must
// give the same catalog every time.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <fstream>
#include <map>
#include <sstream>

#include "Db.h"
#include "Package.h"
#include "PackageCheck.h"
#include "Publish.h"
#include "Seed.h"
#include "SeedData.h"
#include "SigningKeys.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

void ExpectInstallable(const std::string& cabBytes, const std::string& sysid) {
    // What publish would refuse, no seeded package may be.
    EXPECT_NO_THROW(CheckPublishedCabinet(cabBytes, sysid)) << sysid;
    auto files = ReadCabinet(cabBytes);
    ASSERT_TRUE(files.contains("_setup.xml")) << sysid;
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(files["_setup.xml"].c_str())) << sysid;
    pugi::xml_node root = doc.child("wap-provisioningdoc");
    pugi::xml_node install = root.find_child_by_attribute("characteristic", "type", "Install");
    EXPECT_STREQ(install.find_child_by_attribute("parm", "name", "AppName").attribute("value").value(), sysid.c_str());
    std::string dir = install.find_child_by_attribute("parm", "name", "InstallDir").attribute("value").value();
    EXPECT_EQ(dir.rfind("%CE1%\\", 0), 0u) << dir;

    pugi::xml_node ops = root.find_child_by_attribute("characteristic", "type", "FileOperation");
    pugi::xml_node target = ops.find_child_by_attribute("characteristic", "type", "%InstallDir%");
    int exes = 0;
    for (pugi::xml_node f : target.children("characteristic")) {
        std::string name = f.attribute("type").value();
        if (name == "MakeDir") continue;
        EXPECT_EQ(name.find_first_of("\\/"), std::string::npos) << name;
        std::string source = f.child("characteristic").child("parm").attribute("value").value();
        ASSERT_TRUE(files.contains(source)) << sysid << " lacks " << source;
        EXPECT_GT(files[source].size(), 100u);
        if (name.ends_with(".exe")) ++exes;
    }
    EXPECT_GE(exes, 1);
    EXPECT_LE(exes, 2);
    pugi::xml_node menu = ops.find_child_by_attribute("characteristic", "type", "%CE11%");
    pugi::xml_node link = menu.find_child_by_attribute("characteristic", "translation", "install");
    EXPECT_TRUE(std::string(link.attribute("type").value()).ends_with(".lnk"));
    EXPECT_EQ(std::string(link.child("characteristic").child("parm").attribute("value").value()).rfind("%InstallDir%\\", 0),
              0u);
    pugi::xml_node reg = root.find_child_by_attribute("characteristic", "type", "Registry").first_child();
    EXPECT_EQ(std::string(reg.attribute("type").value()).rfind("HKLM\\", 0), 0u);
    EXPECT_TRUE(reg.find_child_by_attribute("parm", "datatype", "integer"));
}

TEST(SeededPackages, EveryPackageIsACabinetTheInstallerUnderstands) {
    fs::path db = SeededTemplate();
    Db store(db.string());
    Stmt& s = store.Prepare(
        "SELECT (SELECT value FROM meta WHERE key = 'assets') || '/' || package, sysid FROM apps ORDER BY id");
    int packages = 0;
    bool store_found = false;
    while (s.Step()) {
        ++packages;
        store_found |= s.Text(1) == kStoreSysid;
        ExpectInstallable(ReadWholeFile(s.Text(0)), s.Text(1));
    }
    EXPECT_GE(packages, 81);
    EXPECT_TRUE(store_found);
}

TEST(SeededPackages, MarkupCharactersInNamesSurviveTheSetupDocument) {
    PackageLayout layout;
    layout.installName = "Pebble Cards & Dice \"Deluxe\" <Ёж>";
    layout.installDir = "%CE1%\\Cards & Dice";
    layout.files = {{"cards.exe", "CARDS.001", std::string(300, 'x')}};
    layout.shortcutName = "Cards & Dice.lnk";
    layout.shortcutTarget = "cards.exe";
    layout.registryKey = "HKLM\\Software\\Pebble\\Cards & Dice";
    layout.registryValues = {{"Version", "1.0", false}, {"Runs", "0", true}};
    ExpectInstallable(BuildCabinet(layout), layout.installName);
}

TEST(Seed, TheSameOptionsGiveTheSameCatalog) {
    TempDir dir;
    auto seedInto = [&](const std::string& name) {
        Db db((dir.Path() / (name + ".db")).string());
        SeedCatalog(db, {(dir.Path() / name).string(), 4, {}});
        std::string dump;
        for (const char* table : {"categories", "apps", "tags", "app_tags", "screenshots", "ratings"}) {
            Stmt& s = db.Prepare(std::string("SELECT * FROM ") + table + " ORDER BY 1, 2");
            while (s.Step())
                for (int c = 0; c < s.ColumnCount(); ++c) dump += s.Text(c) + "|";
            s.Reset();
        }
        std::string folder = (dir.Path() / name).string();
        return std::pair(dump, folder);
    };
    auto [dumpA, folderA] = seedInto("a");
    auto [dumpB, folderB] = seedInto("b");
    EXPECT_EQ(dumpA, dumpB);
    int files = 0;
    for (const auto& f : fs::recursive_directory_iterator(folderA)) {
        if (!f.is_regular_file()) continue;
        ++files;
        fs::path other = fs::path(folderB) / fs::relative(f.path(), folderA);
        EXPECT_EQ(ReadWholeFile(f.path()), ReadWholeFile(other)) << other;
    }
    EXPECT_GE(files, 5 * 3);  // icon, package and a screenshot at least, for four apps and the store

    // Seeding again replaces the old catalog instead of adding to it.
    Db db((dir.Path() / "a.db").string());
    SeedCatalog(db, {folderA, 2, {}});
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM apps"), 3);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM accounts WHERE login = 'demo' AND activated = 1"), 1);
}

// More applications than the sample holds: numbered copies, each with an
// install name of its own, so the store can tell them apart, sharing the
// package and pictures of the application they copy under a statement
// signed for the copy.
TEST(Seed, ALargerCatalogGoesOnWithNumberedCopies) {
    TempDir dir;
    Db db((dir.Path() / "big.db").string());
    const int64_t sample = static_cast<int64_t>(seed::Apps().size());
    const int wanted = static_cast<int>(sample) * 2 + 3;
    SeedCatalog(db, {(dir.Path() / "big").string(), wanted, {}});
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM apps"), wanted + 1);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(DISTINCT sysid) FROM apps"), wanted + 1);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(DISTINCT package) FROM apps"), sample + 1);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(DISTINCT icon) FROM apps"), sample + 1);
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM apps c JOIN apps o ON o.id = (c.id - 1) % ?1 + 1 WHERE "
                           "c.id <= ?2 AND (c.package <> o.package OR c.icon <> o.icon OR c.revision <> o.revision "
                           "OR (SELECT COUNT(*) FROM screenshots s WHERE s.app_id = c.id) <> "
                           "(SELECT COUNT(*) FROM screenshots s WHERE s.app_id = o.id))",
                           sample, int64_t(wanted)),
              0);
    // The first copy repeats the first application under its number, in its category.
    Stmt& first = db.Prepare("SELECT name, catid FROM apps WHERE id = 1");
    ASSERT_TRUE(first.Step());
    const std::string name = first.Text(0);
    const std::string category = first.Text(1);
    first.Reset();
    Stmt& copy = db.Prepare("SELECT name, catid, package, sysid, revision, version, package_size, sha256, "
                            "package_key, package_sig FROM apps WHERE id = ?1");
    copy.BindAll(sample + 1);
    ASSERT_TRUE(copy.Step());
    EXPECT_EQ(copy.Text(0), name + " 2");
    EXPECT_EQ(copy.Text(1), category);
    const std::string package = ReadWholeFile(dir.Path() / "big" / copy.Text(2));
    const formats::PackageStatement statement{sample + 1, copy.Text(3), copy.Int(4), copy.Text(5),
                                              static_cast<int64_t>(package.size()), formats::Sha256Hex(package),
                                              copy.Text(8)};
    EXPECT_EQ(copy.Int(6), statement.size);
    EXPECT_EQ(copy.Text(7), statement.sha256);
    EXPECT_TRUE(formats::StatementVerifies(statement, copy.Text(9), LoadSigningKey("").publicKey));
    copy.Reset();
    EXPECT_EQ(*db.QueryInt("SELECT COUNT(*) FROM apps WHERE name LIKE '% 3'"), 3);
}

}  // namespace
}  // namespace catalogd::test
