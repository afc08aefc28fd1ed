// The API suite once more, on a PostgreSQL server this program starts for
// itself: every TestStore is then a database made from a template that holds
// the sample catalog.
#include <gtest/gtest.h>

#include <filesystem>

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
        ProcessRun copied = RunProgram(CATALOGD_EXE,
                                       {"copy", "--db", SeededTemplate().string(), "--to", DatabaseUrl(url, "seed"),
                                        "--files", files.string()},
                                       script.Dir() / "copy.log");
        ASSERT_EQ(copied.status, 0) << copied.out;
        UsePostgres(url, "seed");
    }

    void TearDown() override { script.Stop(); }

private:
    ClusterScript script;
};

const auto* const kServer = ::testing::AddGlobalTestEnvironment(new PostgresServer);

}  // namespace
}  // namespace catalogd::test
