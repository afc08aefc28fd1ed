// catalogd as people run it: a real process, its commands and its shutdown.
#include <gtest/gtest.h>
#include <signal.h>

#include "formats/PackageStatement.h"
#include "Db.h"
#include "formats/CabinetWriter.h"
#include "formats/SetupDocumentWriter.h"
#include "Package.h"
#include "PackageCheck.h"
#include "Seed.h"
#include "TestCatalog.h"
#include "platform/process/Process.h"

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

TEST(CommandLine, UserActivateAndOutboxWorkOnTheStore) {
    TestStore copy;
    const std::string& db = copy.Location();
    {
        Db store(db);
        store.Exec("INSERT INTO accounts(login, mail, pass_hash, activated, created) VALUES('newbie', 'n@example.org', '', 0, 0)");
        store.Exec("INSERT INTO outbox(time, recipient, subject, body) VALUES(1, 'n@example.org', 'Activate', 'Hello newbie')");
    }
    EXPECT_EQ(RunCatalogd({"user", "activate", "newbie", "--db", db}).exitCode, 0);
    EXPECT_NE(RunCatalogd({"user", "activate", "ghost", "--db", db}).exitCode, 0);
    EXPECT_NE(RunCatalogd({"serve", "--db", db, "--listen", "nonsense"}).exitCode, 0);
    EXPECT_EQ(*Db(db).QueryInt("SELECT activated FROM accounts WHERE login = 'newbie'"), 1);
    Captured outbox = RunCatalogd({"outbox", "--db", db});
    EXPECT_EQ(outbox.exitCode, 0);
    EXPECT_NE(outbox.out.find("Hello newbie"), std::string::npos);
    EXPECT_NE(outbox.out.find("n@example.org"), std::string::npos);
}

TEST(CommandLine, ServeLogsEachRequestAndStopsCleanlyOnSigterm) {
    TempDir dir;
    TestStore db;
    platform::SpawnOptions options;
    options.stderrFile = dir / "serve.log";
    auto child = platform::SpawnHost(CATALOGD_EXE, {"serve", "--db", db.Location(), "--listen", "127.0.0.1:0", "--prefix", "store/"},
                                     options);
    ASSERT_TRUE(child);
    pid_t pid = child->Id();
    // The port the system chose is in the first line of the log.
    int port = 0;
    ASSERT_TRUE(Eventually([&] {
        const std::string log = ReadAll(*options.stderrFile);
        const size_t at = log.find("127.0.0.1:");
        if (at != std::string::npos && log.find('/', at) != std::string::npos) port = std::atoi(log.c_str() + at + 10);
        return port > 0;
    }, std::chrono::seconds(10)));
    auto res = httplib::Client("127.0.0.1", port).Get("/store/auth.php?login=demo&pass=" + Encoded("demo") + "&ver=1.0b");
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<auth id="), std::string::npos);

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_EQ(WaitForExit(pid, std::chrono::seconds(30)), 0);
    const std::string text = ReadAll(*options.stderrFile);
    size_t line = text.find("\nauth 0 ");
    ASSERT_NE(line, std::string::npos) << text;
    EXPECT_NE(text.find(" ms\n", line), std::string::npos);
    EXPECT_NE(text.find("stopped"), std::string::npos);
    EXPECT_EQ(text.find("demo\n"), std::string::npos);
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
    Captured Publish(int appId, std::vector<std::string> args) {
        args.insert(args.begin(), {"publish", "--db", server.Store()});
        Captured r = RunCatalogd(args);
        if (r.exitCode == 0) published.files.push_back(server.PackageFile(appId));
        return r;
    }
    pugi::xml_node Details(Answer& a, int appId) { return server.Details(a, session, appId); }
    fs::path PackageFile(int appId) { return server.PackageFile(appId); }
    std::string Download(int appId) {
        auto res = server.Client().Get("/download.xml?sessionid=" + session + "&appid=" + std::to_string(appId));
        return res ? res->body : std::string();
    }
};

TEST_F(Publishing, ANewerRevisionIsListedDetailedAndDownloaded) {
    Answer before;
    const pugi::xml_node old = Details(before, 3);
    const int revision = old.attribute("revision").as_int();
    const std::string sysid = old.attribute("sysid").value(), oldBytes = Download(3);
    const fs::path oldPackage = PackageFile(3);

    Captured r = Publish(3, {"--appid", "3", "--revision", std::to_string(revision + 1)});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    Answer after;
    pugi::xml_node app = Details(after, 3);
    EXPECT_EQ(app.attribute("revision").as_int(), revision + 1);
    EXPECT_EQ(std::string(app.attribute("version").value()), SampleVersion(revision + 1));
    Answer list = server.Call("getapps", "sessionid=" + session + "&count=100");
    EXPECT_EQ(list.Root().child("getapps").find_child_by_attribute("app", "id", "3").attribute("revision").as_int(), revision + 1);

    // A cabinet of the same install name with the new version inside; the
    // old file stays for running downloads.
    const std::string bytes = Download(3);
    EXPECT_NE(bytes, oldBytes);
    EXPECT_EQ(app.child("package").attribute("sha256").value(), formats::Sha256Hex(bytes)) << "the new package's digest";
    EXPECT_TRUE(fs::exists(oldPackage));
    EXPECT_NO_THROW(CheckPublishedCabinet(bytes, sysid)) << "a cabinet the device installs as the same application";
}

TEST_F(Publishing, AGivenCabinetIsServedAsItIsAndTheApplicationFoundByInstallName) {
    Answer before;
    const std::string sysid = Details(before, 4).attribute("sysid").value();
    PackageLayout layout;
    layout.installName = sysid;
    layout.installDir = "%CE1%\\Given";
    layout.files = {{"given.exe", "GIVEN.001", std::string(500, 'g')}};
    const std::string cab = BuildCabinet(layout);
    const fs::path cabFile = dir.Write("given.cab", cab);

    Captured r = Publish(4, {"--sysid", sysid, "--revision", "40", "--version", "4.0 beta", "--cab", cabFile.string()});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    Answer after;
    EXPECT_EQ(Details(after, 4).attribute("revision").as_int(), 40);
    EXPECT_STREQ(after.Root().child("appdetails").child("app").attribute("version").value(), "4.0 beta");
    EXPECT_EQ(Download(4), cab);
    // Publishing again does not pile revisions up in the file name.
    ASSERT_EQ(Publish(4, {"--appid", "4", "--revision", "41"}).exitCode, 0);
    EXPECT_EQ(PackageFile(4).filename().string().find("_r40"), std::string::npos) << PackageFile(4);
}

TEST_F(Publishing, RefusedRequestsSayWhyAndChangeNothing) {
    Answer before;
    const int revision = Details(before, 5).attribute("revision").as_int();
    const fs::path package = PackageFile(5);
    const fs::path notACab = dir.Write("notes.txt", "just some text, not a cabinet at all");
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
        return dir.Write("bad" + std::to_string(++made) + ".cab", bytes).string();
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
        Captured r = Publish(5, args);
        EXPECT_NE(r.exitCode, 0) << r.out;
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
