// The tobrix program itself, headless, against a seeded catalogd: search,
// settings and About driven by the script driver as a person would use them.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <sstream>

#include "support/StoreProgramFixture.h"

namespace {

class SettingsStoreTest : public StoreProgramFixture {
protected:
    ::testing::AssertionResult Run(const std::string& body) {
        return Succeeded(StoreProgramFixture::Run("expect-text Main menu\n" + body));
    }

    // A finger drag up the middle of the screen: a list scrolls to its end
    // (or bounces back when it fits).
    std::string DragUp() const {
        const bool small = Small();
        const std::string x = small ? "88" : "240";
        const int top = small ? 40 : 100, bottom = small ? 160 : 500, step = (bottom - top) / 4;
        std::string s = "down " + x + " " + std::to_string(bottom) + "\n";
        for (int y = bottom - step; y >= top; y -= step) s += "move " + x + " " + std::to_string(y) + "\n";
        return s + "up " + x + " " + std::to_string(top) + "\nwait-idle\n";
    }

    std::string Shot(const std::string& name) const { return ShotFile("store-" + name); }

    // The locale the catalog was last told by any session.
    std::string LastLocale() {
        std::string locale;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(server.Database().string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            const char* sql = "SELECT locale FROM sessions WHERE configured = 1 ORDER BY last_seen DESC LIMIT 1";
            if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
                locale = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return locale;
    }
};

TEST_P(SettingsStoreTest, APublisherSearchListsItsApplications) {
    EXPECT_TRUE(Run("tap-text Search\nwait-idle\n"
        "key soft2\nwait-idle\n"
        "expect-text Please choose a category, a tag or a keyword to search for.\n"
        "key soft1\nwait-idle\n"
        "tap-text Keyword\nwait-idle\n"
        "tap-text Everywhere\nwait-idle\ntap-text Publisher\nwait-idle\n"
        "tap-text Enter a keyword:\ntype Arbor\n"
        "screenshot " + Shot("search-keyword") + "\n"
        "key soft2\nwait-idle\nexpect-text Arbor\n"
        "key soft2\nwait-idle\nexpect-text Search results\n"
        "screenshot " + Shot("search-results") + "\n"
        "expect-text Calculator Sci\n"));
}

TEST_P(SettingsStoreTest, ALanguageChangeReachesEveryScreenAndTheCatalog) {
    EXPECT_TRUE(Run(DragUp() + "tap-text Settings\nwait-idle\nexpect-text General\n"
        "screenshot " + Shot("settings") + "\n"
        "tap-text English\nwait-idle\n"
        "tap-text \xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9\nwait-idle\n"          // "Русский"
        "expect-text \xD0\x9D\xD0\xB0\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB9\xD0\xBA\xD0\xB8\n"  // "Настройки"
        "key soft1\nwait-idle\n"
        "expect-text \xD0\x93\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xBD\xD0\xBE\xD0\xB5 "
        "\xD0\xBC\xD0\xB5\xD0\xBD\xD1\x8E\n"  // "Главное меню"
        "screenshot " + Shot("menu-russian") + "\n"));
    EXPECT_EQ(LastLocale(), "ru");
}

TEST_P(SettingsStoreTest, AboutLinksGoToTheDevicesBrowser) {
    EXPECT_TRUE(Run("key soft1\nwait-idle\nexpect-text About\n"
        "screenshot " + Shot("about") + "\n" + DragUp() +
        "tap-text http://www.tobrix.example/support/\nwait-idle\n"));
    std::ifstream log(device->Root() / "launch.log");
    std::stringstream all;
    all << log.rdbuf();
    EXPECT_NE(all.str().find("browser\thttp://www.tobrix.example/support/\n"), std::string::npos) << all.str();
}

INSTANTIATE_TEST_SUITE_P(Profiles, SettingsStoreTest, ::testing::ValuesIn(kProfiles), ProfileName);

}  // namespace
