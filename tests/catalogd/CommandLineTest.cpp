// catalogd as people run it: a real process, its commands and its shutdown.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Db.h"
#include "TestCatalog.h"

extern char** environ;

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

struct ProcessRun {
    int status = -1;
    std::string out;
};

// Runs catalogd with the arguments, standard output and error into one file.
ProcessRun RunCatalogd(const std::vector<std::string>& args, const fs::path& log) {
    std::string command = CATALOGD_EXE;
    for (const auto& a : args) command += " '" + a + "'";
    command += " >'" + log.string() + "' 2>&1";
    ProcessRun r;
    r.status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream s;
    s << in.rdbuf();
    r.out = s.str();
    return r;
}

TEST(CommandLine, HelpNamesEveryCommand) {
    TempDir dir;
    ProcessRun r = RunCatalogd({"--help"}, dir.Path() / "out");
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"serve", "seed", "user", "outbox"}) EXPECT_NE(r.out.find(word), std::string::npos) << word;
    r = RunCatalogd({"serve", "--help"}, dir.Path() / "out");
    for (const char* word : {"--db", "--listen", "--prefix", "--session-idle", "--auto-activate", "--quiet"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    EXPECT_NE(RunCatalogd({"serve", "--db", "x.db", "--listen", "nonsense"}, dir.Path() / "out").status, 0);
}

TEST(CommandLine, UserActivateAndOutboxWorkOnTheStore) {
    TempDir dir;
    fs::path db = dir.Path() / "catalog.db";
    fs::copy_file(SeededTemplate(), db);
    {
        Db store(db.string());
        store.Exec("INSERT INTO accounts(login, mail, pass_hash, activated, created) VALUES('newbie', 'n@example.org', '', 0, 0)");
        store.Exec("INSERT INTO outbox(time, recipient, subject, body) VALUES(1, 'n@example.org', 'Activate', 'Hello newbie')");
    }
    EXPECT_EQ(RunCatalogd({"user", "activate", "newbie", "--db", db.string()}, dir.Path() / "out").status, 0);
    EXPECT_NE(RunCatalogd({"user", "activate", "ghost", "--db", db.string()}, dir.Path() / "out").status, 0);
    Db store(db.string());
    EXPECT_EQ(*store.QueryInt("SELECT activated FROM accounts WHERE login = 'newbie'"), 1);
    ProcessRun outbox = RunCatalogd({"outbox", "--db", db.string()}, dir.Path() / "out");
    EXPECT_EQ(outbox.status, 0);
    EXPECT_NE(outbox.out.find("Hello newbie"), std::string::npos);
    EXPECT_NE(outbox.out.find("n@example.org"), std::string::npos);
}

TEST(CommandLine, ServeLogsEachRequestAndStopsCleanlyOnSigterm) {
    TempDir dir;
    fs::path db = dir.Path() / "catalog.db";
    fs::copy_file(SeededTemplate(), db);
    fs::path log = dir.Path() / "serve.log";
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> args = {CATALOGD_EXE, "serve", "--db", db.string(), "--listen", "127.0.0.1:0",
                                     "--prefix", "store/"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ASSERT_EQ(posix_spawn(&pid, CATALOGD_EXE, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    // The port the system chose is in the first line of the log.
    int port = 0;
    for (int i = 0; i < 250 && port == 0; ++i) {
        std::ifstream in(log);
        std::string line;
        std::getline(in, line);
        size_t at = line.find("127.0.0.1:");
        if (at != std::string::npos && line.find('/', at) != std::string::npos)
            port = std::atoi(line.c_str() + at + 10);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GT(port, 0);
    httplib::Client client("127.0.0.1", port);
    auto res = client.Get("/store/auth.php?login=demo&pass=" + Encoded("demo") + "&ver=1.0b");
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<auth id="), std::string::npos);

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    size_t line = text.str().find("\nauth 0 ");
    ASSERT_NE(line, std::string::npos) << text.str();
    EXPECT_NE(text.str().find(" ms\n", line), std::string::npos);
    EXPECT_NE(text.str().find("stopped"), std::string::npos);
    EXPECT_EQ(text.str().find("demo\n"), std::string::npos);
}

}  // namespace
}  // namespace catalogd::test
