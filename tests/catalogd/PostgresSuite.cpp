// The API suite once more, on a PostgreSQL server this program starts for
// itself: every TestStore is then a database made from a template that holds
// the sample catalog.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "ClusterScript.h"
#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

class PostgresServer : public ::testing::Environment {
public:
    void SetUp() override {
        ClusterScript::Result started = script.Run({"db"});
        if (started.missingPrograms) GTEST_SKIP() << kNoPostgresServer;
        ASSERT_EQ(started.status, 0) << started.out;
        const std::string url = started.lastLine;
        Db(url).Exec("CREATE DATABASE seed");
        // The seeded store file moves over with the command operators use
        // for it, its files into a folder of this program's own (tests
        // publish into it).
        const std::filesystem::path files = script.Dir() / "files";
        std::filesystem::copy(SeededTemplate().parent_path() / "files", files, std::filesystem::copy_options::recursive);
        Captured copied = RunCatalogd(
            {"copy", "--db", SeededTemplate().string(), "--to", DatabaseUrl(url, "seed"), "--files", files.string()});
        ASSERT_EQ(copied.exitCode, 0) << copied.out;
        UsePostgres(url, "seed");
    }

    void TearDown() override { script.Stop(); }

private:
    ClusterScript script;
};

const auto* const kServer = ::testing::AddGlobalTestEnvironment(new PostgresServer);

// The database server ends every connection (as when it restarts): the
// service's kept connections are gone, and its next answers come from new ones.
TEST(SharedStore, ConnectionsTheServerEndedAreReplacedWithoutAFailedAnswer) {
    TestServer server;
    const std::string session = server.SignIn();
    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&] { EXPECT_EQ(server.Call("cats", "sessionid=" + session).code, 0); });
    for (auto& c : clients) c.join();
    Db admin(server.Store());
    const std::string others =
        "FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()";
    ASSERT_GE(admin.QueryInt("SELECT COUNT(pg_terminate_backend(pid)) " + others), 1);
    // Ended, as after a restart, once their server processes are gone.
    for (int i = 0; i < 300 && admin.QueryInt("SELECT COUNT(*) " + others) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(server.Call("cats", "sessionid=" + session).code, 0) << i;
}

}  // namespace
}  // namespace catalogd::test
