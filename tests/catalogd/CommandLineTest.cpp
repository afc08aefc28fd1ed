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

#include "formats/PackageStatement.h"
#include "Db.h"
#include "formats/CabinetWriter.h"
#include "formats/SetupDocumentWriter.h"
#include "Package.h"
#include "Seed.h"
#include "TestCatalog.h"

extern char** environ;

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

ProcessRun RunCatalogd(const std::vector<std::string>& args, const fs::path& log) {
    return RunProgram(CATALOGD_EXE, args, log);
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
    TestStore copy;
    const std::string& db = copy.Location();
    {
        Db store(db);
        store.Exec("INSERT INTO accounts(login, mail, pass_hash, activated, created) VALUES('newbie', 'n@example.org', '', 0, 0)");
        store.Exec("INSERT INTO outbox(time, recipient, subject, body) VALUES(1, 'n@example.org', 'Activate', 'Hello newbie')");
    }
    EXPECT_EQ(RunCatalogd({"user", "activate", "newbie", "--db", db}, dir.Path() / "out").status, 0);
    EXPECT_NE(RunCatalogd({"user", "activate", "ghost", "--db", db}, dir.Path() / "out").status, 0);
    Db store(db);
    EXPECT_EQ(*store.QueryInt("SELECT activated FROM accounts WHERE login = 'newbie'"), 1);
    ProcessRun outbox = RunCatalogd({"outbox", "--db", db}, dir.Path() / "out");
    EXPECT_EQ(outbox.status, 0);
    EXPECT_NE(outbox.out.find("Hello newbie"), std::string::npos);
    EXPECT_NE(outbox.out.find("n@example.org"), std::string::npos);
}

TEST(CommandLine, ServeLogsEachRequestAndStopsCleanlyOnSigterm) {
    TempDir dir;
    TestStore db;
    fs::path log = dir.Path() / "serve.log";
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> args = {CATALOGD_EXE, "serve", "--db", db.Location(), "--listen", "127.0.0.1:0",
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

// Files a test leaves in the shared files folder of the sample catalog.
struct RemoveAtEnd {
    std::vector<fs::path> files;
    ~RemoveAtEnd() {
        std::error_code ec;
        for (const auto& f : files) fs::remove(f, ec);
    }
};

class Publishing : public ::testing::Test {
protected:
    TestServer server;
    std::string session = server.SignIn();
    TempDir dir;
    RemoveAtEnd published;

    // Publishes for application `appId` (named by the arguments); each test
    // takes an application of its own, since the files folder is shared.
    ProcessRun Publish(int appId, std::vector<std::string> args) {
        args.insert(args.begin(), {"publish", "--db", server.Store()});
        ProcessRun r = RunCatalogd(args, dir.Path() / "out");
        if (r.status == 0) published.files.push_back(server.PackageFile(appId));
        return r;
    }
    pugi::xml_node Details(Answer& a, int appId) {
        a = server.Call("appdetails", "sessionid=" + session + "&appid=" + std::to_string(appId) + "&details=1");
        return a.Root().child("appdetails").child("app");
    }
    fs::path PackageFile(int appId) { return server.PackageFile(appId); }
    std::string Download(int appId) {
        auto res = server.Client().Get("/download.xml?sessionid=" + session + "&appid=" + std::to_string(appId));
        return res ? res->body : std::string();
    }
};

TEST_F(Publishing, ANewerRevisionIsListedDetailedAndDownloaded) {
    Answer before;
    const int revision = Details(before, 3).attribute("revision").as_int();
    const std::string sysid = Details(before, 3).attribute("sysid").value();
    const fs::path oldPackage = PackageFile(3);
    const std::string oldBytes = Download(3);
    ASSERT_GT(revision, 0);

    ProcessRun r = Publish(3, {"--appid", "3", "--revision", std::to_string(revision + 1)});
    ASSERT_EQ(r.status, 0) << r.out;
    Answer after;
    pugi::xml_node app = Details(after, 3);
    EXPECT_EQ(app.attribute("revision").as_int(), revision + 1);
    EXPECT_EQ(std::string(app.attribute("version").value()), SampleVersion(revision + 1));
    Answer list = server.Call("getapps", "sessionid=" + session + "&count=500");
    pugi::xml_node listed = list.Root().child("getapps").find_child_by_attribute("app", "id", "3");
    EXPECT_EQ(listed.attribute("revision").as_int(), revision + 1);
    EXPECT_EQ(std::string(listed.attribute("install").value()), app.attribute("install").value());

    // The new package is a cabinet of the same install name with the new
    // version inside; the old file is still there for running downloads.
    const std::string bytes = Download(3);
    EXPECT_EQ(bytes, ReadWholeFile(PackageFile(3)));
    EXPECT_NE(bytes, oldBytes);
    EXPECT_EQ(app.child("package").attribute("sha256").value(), formats::Sha256Hex(bytes)) << "the new package's digest";
    EXPECT_TRUE(fs::exists(oldPackage));
    auto files = ReadCabinet(bytes);
    ASSERT_TRUE(files.contains("_setup.xml"));
    pugi::xml_document setup;
    ASSERT_TRUE(setup.load_string(files["_setup.xml"].c_str()));
    EXPECT_TRUE(setup.find_node([&](pugi::xml_node n) {
        return std::string(n.attribute("name").value()) == "AppName" && n.attribute("value").value() == sysid;
    }));
    EXPECT_TRUE(setup.find_node([&](pugi::xml_node n) {
        return std::string(n.attribute("name").value()) == "Version" &&
               n.attribute("value").value() == SampleVersion(revision + 1);
    })) << files["_setup.xml"];
}

TEST_F(Publishing, AGivenCabinetIsServedAsItIsAndTheApplicationFoundByInstallName) {
    Answer before;
    const std::string sysid = Details(before, 4).attribute("sysid").value();
    PackageLayout layout;
    layout.installName = sysid;
    layout.installDir = "%CE1%\\Given";
    layout.files = {{"given.exe", "GIVEN.001", std::string(500, 'g')}};
    const std::string cab = BuildCabinet(layout);
    const fs::path cabFile = dir.Path() / "given.cab";
    std::ofstream(cabFile, std::ios::binary) << cab;

    ProcessRun r = Publish(4, {"--sysid", sysid, "--revision", "40", "--version", "4.0 beta", "--cab", cabFile.string()});
    ASSERT_EQ(r.status, 0) << r.out;
    Answer after;
    EXPECT_EQ(Details(after, 4).attribute("revision").as_int(), 40);
    EXPECT_STREQ(Details(after, 4).attribute("version").value(), "4.0 beta");
    EXPECT_EQ(Download(4), cab);
    // Publishing again does not pile revisions up in the file name.
    ASSERT_EQ(Publish(4, {"--appid", "4", "--revision", "41"}).status, 0);
    EXPECT_EQ(PackageFile(4).filename().string().find("_r40"), std::string::npos) << PackageFile(4);
}

TEST_F(Publishing, RefusedRequestsSayWhyAndChangeNothing) {
    Answer before;
    const int revision = Details(before, 5).attribute("revision").as_int();
    const fs::path package = PackageFile(5);
    const fs::path notACab = dir.Path() / "notes.txt";
    std::ofstream(notACab) << "just some text, not a cabinet at all";
    const std::string same = std::to_string(revision), next = std::to_string(revision + 1);
    const std::string sysid = Details(before, 5).attribute("sysid").value();
    // Cabinets the device would refuse, or that claim another install name.
    int made = 0;
    auto cabinet = [&](const std::string& installName, const std::string& installDir, const std::string& setupDll = {},
                       const std::string& key = {}) {
        formats::SetupLayout layout{installName, installDir, setupDll, {{"app.exe", "APP.001"}}, {}, {}, {}};
        if (!key.empty()) layout.registry = {{key, {{"", "x", false}}}};
        std::string xml, bytes, error;
        std::vector<formats::CabinetEntry> entries{{"APP.001", std::string("program")}};
        if (!setupDll.empty()) entries.push_back({setupDll, std::string("library")});
        EXPECT_TRUE(formats::WriteSetupDocument(layout, xml, error)) << error;
        entries.push_back({"_setup.xml", xml});
        EXPECT_TRUE(formats::WriteCabinet(entries, bytes, error)) << error;
        const fs::path file = dir.Path() / ("bad" + std::to_string(++made) + ".cab");
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--appid", "5", "--revision", next, "--cab", cabinet("Someone Else", "%CE1%\\X")}, "install name"},
        {{"--appid", "5", "--revision", next, "--cab", cabinet(sysid, "%CE1%\\X", "setup.so")}, "setup extension"},
        {{"--appid", "5", "--revision", next, "--cab", cabinet(sysid, "%CE1%\\TOBRIX")}, "store's own"},
        {{"--appid", "5", "--revision", next, "--cab", cabinet(sysid, "%CE1%\\X", {}, "HKCR\\tobrix\\Shell")},
         "store's own"},
        {{"--appid", "5", "--revision", same}, "not newer"},
        {{"--appid", "5", "--revision", std::to_string(revision - 1)}, "not newer"},
        {{"--appid", "424242", "--revision", next}, "no application"},
        {{"--sysid", "Nobody Nothing", "--revision", next}, "no application"},
        {{"--revision", next}, "--appid or --sysid"},
        {{"--appid", "5", "--sysid", "x", "--revision", next}, "excludes"},
        {{"--appid", "5", "--revision", next, "--cab", notACab.string()}, "not a cabinet"},
        {{"--appid", "5", "--revision", next, "--version", ""}, "version"},
    };
    for (const auto& [args, why] : refused) {
        ProcessRun r = Publish(5, args);
        EXPECT_NE(r.status, 0) << r.out;
        EXPECT_NE(r.out.find(why), std::string::npos) << why << " not in: " << r.out;
    }
    Answer after;
    EXPECT_EQ(Details(after, 5).attribute("revision").as_int(), revision);
    EXPECT_EQ(PackageFile(5), package);
    for (const auto& entry : fs::directory_iterator(package.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(package.stem().string() + "_r"), std::string::npos)
            << "a refused publish left " << entry.path();
}

}  // namespace
}  // namespace catalogd::test
