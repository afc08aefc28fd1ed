#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "ScreensProgramFixture.h"

// The tobrix program itself, headless, against a seeded catalogd on a
// devicectl device: details, installing, running, updating and removing,
// My applications following the jobs, reviews and the review form.
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Applications of the sample catalog that every device profile is offered.
constexpr int kChatLink = 10;    // "Orbit Chat Link", revision 2, no reviews
constexpr int kWebReader = 9;    // "Orbit Web Reader", four reviews
constexpr int kQuickNotes = 17;  // "Pebble Quick Notes"

// The program's walks here depend on the catalog and the store, not on the
// screen: the keys tour installs, runs and removes on the small screens.
class DetailsStoreTest : public ScreensProgramFixture {
protected:
    uint32_t Revision(const std::u16string& sysid) const {
        auto key = platform::OpenRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\" + sysid);
        uint32_t revision = 0;
        if (key) key->ReadDword(u"TobrixRevision", revision);
        return revision;
    }
    bool FileOnDevice(const std::string& name) const {
        for (const auto& e : fs::recursive_directory_iterator(device->Root()))
            if (e.path().filename() == name) return true;
        return false;
    }
    int Publish(std::vector<std::string> args) {
        args.insert(args.begin(), {"publish", "--db", server.Database().string()});
        int code = -1;
        RunCapture(CATALOGD_PATH, args, &code);
        return code;
    }
    // Rows of the catalog's ratings for an application: (stars, text).
    std::vector<std::pair<int, std::string>> Ratings(int appId) const {
        std::vector<std::pair<int, std::string>> out;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(server.Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, "SELECT stars, text FROM ratings WHERE app_id = ? ORDER BY time", -1, &st, nullptr);
            sqlite3_bind_int(st, 1, appId);
            while (sqlite3_step(st) == SQLITE_ROW)
                out.emplace_back(sqlite3_column_int(st, 0), reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return out;
    }
    // A device program that installs a package as a person would, outside the store.
    void InstallOutsideTheStore(const fs::path& cab) {
        // A copy: the catalog's files are shared, and the installer may
        // delete what it installed from.
        const fs::path copy = device->Scratch(cab.filename().string());
        fs::copy_file(cab, copy, fs::copy_options::overwrite_existing);
        ::setenv("TOBRIX_DEVICE_ROOT", device->Root().c_str(), 1);
        int code = -1;
        RunCapture(fs::path(DEVICECTL_PATH).parent_path().parent_path() / "wceload" / "wceload",
                   {"/delete", "0", "/noui", copy.string()}, &code);
        ASSERT_EQ(code, 0);
    }
    static constexpr const char* kMyApps = "tap-text My applications\nwait-idle\n";
};

// The whole life of one application through the screens. My applications
// opened by the install names the page it goes back to, and that page then
// offers what the device now allows.
TEST_P(DetailsStoreTest, InstallFromDetailsThenRunAndUninstallFromMyApplications) {
    const fs::path cab = Package("chatlink_10.cab");
    ASSERT_FALSE(cab.empty());
    const std::string size = std::to_string(fs::file_size(cab) / 1024);
    StoreRun run = Run("expect-text Install\n" + Dump("page") + "tap-text Install\nwait-idle\n" + Dump("confirm") +
                           "key soft1\nwait-idle\n" + Dump("installed") +
                           "tap-text Chat Link\nwait-idle\nexpect-text Description:\n" + Dump("back") +
                           "key soft1\nwait-idle\n" + kMyApps + "tap-text-below Chat Link | Run\nwait-idle\n"
                           "tap-text-below Chat Link | Uninstall\nwait-idle\n" + Dump("confirm-uninstall") +
                           "key soft1\nwait-idle\n" + Dump("removed"),
                       kChatLink);
    ASSERT_TRUE(Succeeded(run));

    // Opened by its id alone, the page has no title; its description names
    // it, its line marks shown as line breaks.
    EXPECT_FALSE(Shows(Tree("page"), "Chat Link"));
    EXPECT_TRUE(Shows(Tree("page"), "Chat Link by Orbit.\rStay in touch with friends and family.\r"
                                       "Version 1.2: faster start and smaller memory use."));
    EXPECT_TRUE(Shows(Tree("confirm"), "Install Chat Link? " + size + " KB will be downloaded."));
    const json installed = Tree("installed");
    EXPECT_FALSE(Shows(installed, "In progress"));
    EXPECT_TRUE(Shows(installed, "Installed"));
    EXPECT_FALSE(Shows(installed, "Update")) << "a package just installed is at the catalog's revision";
    EXPECT_FALSE(Shows(installed, "Main menu")) << "the screen below is the details page";
    EXPECT_TRUE(Shows(Tree("back"), "Uninstall"));
    EXPECT_FALSE(Shows(Tree("back"), "Install"));

    EXPECT_NE(ReadAll(device->Root() / "launch.log").find("chatlink.exe"), std::string::npos);
    EXPECT_TRUE(Shows(Tree("confirm-uninstall"), "Uninstall Chat Link from this device?"));
    EXPECT_FALSE(Installed(u"Orbit Chat Link"));
    EXPECT_FALSE(FileOnDevice("chatlink.exe"));
    // Its row is gone; the store's own row keeps its buttons.
    EXPECT_EQ(CountShown(Tree("removed"), "Run"), 1);
}

// A page with nothing to show says why it is empty.
TEST_P(DetailsStoreTest, AnApplicationWithoutReviewsSaysSo) {
    EXPECT_TRUE(Succeeded(Run("tap-text Reviews(0)\nwait-idle\nexpect-text No reviews yet\n", kChatLink)));
}

TEST_P(DetailsStoreTest, UpdatesAfterTheCatalogPublishesANewerRevisionAndOverAForeignInstall) {
    ASSERT_TRUE(Succeeded(Run("tap-text Install\nwait-idle\nkey soft1\nwait-idle\n", kChatLink)));
    ASSERT_EQ(Revision(u"Orbit Chat Link"), 2u);
    InstallOutsideTheStore(Package("quicknotes_17.cab"));
    ASSERT_EQ(Publish({"--appid", std::to_string(kChatLink), "--revision", "9", "--version", "9.0"}), 0);
    // The lower row's button is the one a tap by text finds: the foreign
    // package first, then the store's own.
    StoreRun run = Run(std::string(kMyApps) + Dump("updates") +
                       "tap-text Update\nwait-idle\n" + Dump("confirm-foreign") +
                       "key soft1\nwait-idle\n" + Dump("foreign-updated") +
                       "tap-text Update\nwait-idle\n" + Dump("confirm-update") +
                       "key soft1\nwait-idle\n" + Dump("updated"));
    ASSERT_TRUE(Succeeded(run));
    EXPECT_EQ(CountShown(Tree("updates"), "Update"), 2) << "the store's own and the foreign package";
    EXPECT_TRUE(ShowsStart(Tree("confirm-foreign"), "Quick Notes 1.2 was not installed through Tobrix."));
    EXPECT_EQ(Revision(u"Pebble Quick Notes"), 2u) << "now the store's, at the catalog's revision";
    EXPECT_EQ(CountShown(Tree("foreign-updated"), "Update"), 1);
    const std::regex sized(R"(Update Chat Link 9\.0\? [0-9]+ KB will be downloaded\.)");
    const auto texts = ShownTexts(Tree("confirm-update"));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return std::regex_match(t, sized); }));
    EXPECT_EQ(Revision(u"Orbit Chat Link"), 9u);
    EXPECT_EQ(CountShown(Tree("updated"), "Update"), 0);
}

TEST_P(DetailsStoreTest, ARatingNeedsStarsSendsLineBreaksAndRefreshesTheDetails) {
    const size_t before = Ratings(kWebReader).size();
    // The stars of the form sit at these points on this screen.
    StoreRun run = Run("expect-text Reviews(4)\ntap-text Write a review\nwait-idle\n"
                       "key soft2\nwait-idle\n" + Dump("no-stars") + "key soft1\nwait-idle\n"
                       "tap 132 212\ntap 240 370\ntype Great reader\nkey enter\ntype Second line\nwait-idle\n"
                       "key soft2\nwait-idle\n" + Dump("thanks") +
                       "key soft1\nwait-idle\n" + Dump("refreshed") +
                       "tap-text Reviews(5)\nwait-idle\n" + Dump("reviews"),
                       kWebReader);
    ASSERT_TRUE(Succeeded(run));
    EXPECT_TRUE(Shows(Tree("no-stars"), "Please give at least one star."));
    EXPECT_TRUE(Shows(Tree("thanks"), "Thank you! Your review has been sent."));
    const auto ratings = Ratings(kWebReader);
    ASSERT_EQ(ratings.size(), before + 1) << "nothing was sent without stars";
    EXPECT_EQ(ratings.back(), std::make_pair(3, std::string("Great reader--br--Second line")));
    EXPECT_TRUE(Shows(Tree("refreshed"), "Reviews(5)")) << "the details page asked again";
    EXPECT_TRUE(Shows(Tree("reviews"), "Great reader\rSecond line"));
}

TEST_P(DetailsStoreTest, ATooLongReviewIsRefusedWithTheServicesMessageNotCut) {
    const size_t before = Ratings(kQuickNotes).size();
    StoreRun run = Run("tap-text Write a review\nwait-idle\ntap 228 212\ntap 240 370\n"
                       "type " + std::string(2100, 'a') + "\nkey soft2\nwait-idle\n" + Dump("refused"),
                       kQuickNotes);
    ASSERT_TRUE(Succeeded(run));
    EXPECT_TRUE(Shows(Tree("refused"), "The text is too long. Please shorten it."));
    EXPECT_EQ(Ratings(kQuickNotes).size(), before);
}

INSTANTIATE_TEST_SUITE_P(Vga, DetailsStoreTest, ::testing::ValuesIn(kVga), ProfileName);

}  // namespace
