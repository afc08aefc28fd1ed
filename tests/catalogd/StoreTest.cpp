// The store beneath the answers: the answer cache and what makes it let go,
// and stores made before a column existed.
#include <gtest/gtest.h>

#include "AnswerCache.h"
#include "Db.h"
#include "DeviceConfig.h"
#include "Query.h"
#include "Schema.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

TEST(AnswerCache, KeysIgnoreTheSessionAndKeptAnswersStayWithinTheirBound) {
    DeviceConfig phone;
    phone.configured = true;
    phone.shortSide = 176;
    const auto key = [](std::string_view query, const DeviceConfig& device, std::string_view files = "http://a/") {
        return AnswerCache::Key("getapps", Query::Parse(query), device, files);
    };
    EXPECT_EQ(key("sessionid=1&count=5", {}), key("count=5&sessionid=2", {}));
    EXPECT_NE(key("count=5", {}), key("count=5", phone));
    EXPECT_NE(key("count=5", {}), key("count=5", {}, "http://b/"));
    EXPECT_NE(key("a=bc", {}), key("ab=c", {}));

    AnswerCache cache(1000, 4096);
    auto answer = std::make_shared<ApiAnswer>();
    answer->body = std::string(500, 'x');
    for (int i = 0; i < 20; ++i) cache.Put("k" + std::to_string(i), 1, 0, answer);
    EXPECT_LE(cache.Bytes(), 4096u);
    EXPECT_FALSE(cache.Find("k0", 1, 10));  // the oldest made room
    ASSERT_TRUE(cache.Find("k19", 1, 10));
    EXPECT_EQ(cache.Find("k19", 1, 10)->body, answer->body);
    EXPECT_FALSE(cache.Find("k19", 1, 1000));  // expired
    EXPECT_TRUE(cache.Find("k18", 1, 999));
    EXPECT_FALSE(cache.Find("k18", 2, 999));  // the catalog changed: everything goes
    EXPECT_EQ(cache.Bytes(), 0u);
    answer = std::make_shared<ApiAnswer>();
    answer->body = std::string(5000, 'y');
    cache.Put("huge", 2, 0, answer);
    EXPECT_FALSE(cache.Find("huge", 2, 1));
}

TEST(AnswerCache, KeptAnswersFollowEveryChangeOfWhatTheySay) {
    ServerOptions options = TestServer::Defaults();
    options.cacheTtlMs = 600000;
    TestServer server(options);
    const std::string session = server.SignIn();
    const std::string app = "sessionid=" + session + "&appid=3";
    auto details = [&] { return server.Call("appdetails", app + "&details=1"); };
    auto attr = [](const Answer& a, const char* name) {
        return a.Root().child("appdetails").child("app").attribute(name).as_int();
    };

    // Counters lag while the answer is kept.
    Answer first = details();
    ASSERT_EQ(first.code, 0);
    ASSERT_TRUE(server.Client().Get("/download.xml?" + app));
    EXPECT_EQ(details().body, first.body);

    // A rating is in the next answer, and so is the download that lagged.
    ASSERT_EQ(server.Call("rate", app + "&rate=4&text=" + Encoded("kept?")).code, 0);
    Answer rated = details();
    EXPECT_EQ(attr(rated, "rates"), attr(first, "rates") + 1);
    EXPECT_EQ(attr(rated, "downloads"), attr(first, "downloads") + 1);
    EXPECT_STREQ(server.Call("reviews", app).Root().child("reviews").first_child().attribute("txt").value(), "kept?");

    // So is a change another writer made beside this instance.
    {
        Db other(server.Store());
        Transaction tx(other);
        other.Exec("UPDATE apps SET version = 'elsewhere' WHERE id = 3");
        MarkCatalogChanged(other);
        tx.Commit();
    }
    EXPECT_STREQ(details().Root().child("appdetails").child("app").attribute("version").value(), "elsewhere");

    // Other devices and other host names get answers of their own.
    const std::string phone = server.SignIn();
    ASSERT_EQ(server.Configure(phone, "wm6sp", 176, 220, "keypad"), 0);
    EXPECT_NE(server.Call("getapps", "sessionid=" + phone).body, server.Call("getapps", "sessionid=" + session).body);
    auto other = server.Client().Get("/getapps.xml?sessionid=" + session, {{"Host", "localhost:1"}});
    ASSERT_TRUE(other);
    EXPECT_NE(other->body.find("http://localhost:1/files/"), std::string::npos);
    // A session that ended is refused, whatever was kept for its device.
    EXPECT_EQ(server.Call("getapps", "sessionid=0123456789abcdef0123456789abcdef").code, 203);

    // Every view counted, kept answer or not, is in the store once the service stops.
    server.Stop();
    EXPECT_EQ(*Db(server.Store()).QueryInt("SELECT views FROM apps WHERE id = 3"), attr(first, "views") + 4);
}

// A store made before a column, an index or a table existed gets them on
// start, twice over without harm; its sessions count their lifetime from
// their last use.
TEST(Schema, AnOlderStoreGetsWhatItLacksWithItsDefaults) {
    TestStore store;
    Db db(store.Location());
    db.Exec("INSERT INTO sessions(id, account_id, last_seen) VALUES('s', (SELECT id FROM accounts WHERE login = 'demo'), 1234)");
    db.Exec("ALTER TABLE apps DROP COLUMN features");
    db.Exec("DROP INDEX sessions_by_account");
    db.Exec("ALTER TABLE sessions DROP COLUMN created");
    db.Exec("DROP TABLE throttle");
    CreateSchema(db);
    CreateSchema(db);
    EXPECT_EQ(db.QueryInt("SELECT COUNT(*) FROM apps WHERE features = 0"), db.QueryInt("SELECT COUNT(*) FROM apps"));
    EXPECT_EQ(db.QueryInt("SELECT created FROM sessions WHERE id = 's'"), 1234);
    EXPECT_EQ(db.QueryInt("SELECT COUNT(*) FROM throttle"), 0);
}

}  // namespace
}  // namespace catalogd::test
