// Clients that hold on, flood the head or reach out of the files folder, against catalogd on loopback.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kIcon = "icons/3.png";

ServerOptions OneWorker() {
    ServerOptions o = TestServer::Defaults();
    o.threads = 1;
    o.connections.headDeadline = std::chrono::milliseconds(300);
    return o;
}

TEST(HostileClients, SlowHeadsAreDroppedWithoutHoldingTheWorker) {
    TestServer server(OneWorker());
    // More trickling clients than workers, each with half a head.
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 4; ++i) {
        slow.push_back(std::make_unique<RawConnection>(server.Port()));
        ASSERT_TRUE(slow.back()->Send("GET /files/icons/1.png HTTP/1.1\r\nHost: x\r\n"));
    }
    // The one worker still answers an honest client, again and again.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(server.Get(std::string("/files/") + kIcon).http, 200) << i;
    for (auto& c : slow) {
        std::string answer;
        EXPECT_TRUE(c->ReadToEnd(answer)) << "a slow head was kept past its deadline";
        EXPECT_EQ(answer, "");
    }
    EXPECT_EQ(server.Service().ConnectionTotals().timedOut, 4);
}

TEST(HostileClients, OversizedHeadsAreRefusedBeforeAnyWorkerSeesThem) {
    TestServer server(OneWorker());
    const std::string line = "X-Filler: " + std::string(60, 'f') + "\r\n";
    std::string many;
    for (int i = 0; i < 20000; ++i) many += line;
    const struct {
        const char* name;
        std::string head;
        bool refused;
    } cases[] = {
        {"20000 header lines", "GET /cats.xml HTTP/1.1\r\n" + many + "\r\n", true},
        {"one 40 KiB header", "GET /cats.xml HTTP/1.1\r\nX-Big: " + std::string(40 * 1024, 'b') + "\r\n\r\n", true},
        {"a 40 KiB request line", "GET /cats.xml?" + std::string(40 * 1024, 'q') + " HTTP/1.1\r\n\r\n", true},
        {"98 header lines", "GET /cats.xml HTTP/1.1\r\nConnection: close\r\n" + many.substr(0, 97 * line.size()) + "\r\n",
         false},
    };
    int64_t refused = 0;
    for (const auto& c : cases) {
        RawConnection raw(server.Port());
        raw.Send(c.head);  // a refused flood may stop being read half-way
        std::string answer;
        ASSERT_TRUE(raw.ReadToEnd(answer)) << c.name;
        refused += c.refused;
        EXPECT_EQ(server.Service().ConnectionTotals().refused, refused) << c.name;
        if (!c.refused) {
            EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << c.name << ": " << answer.substr(0, 80);
        }
    }
    EXPECT_EQ(server.Call("cats", "sessionid=" + server.SignIn()).code, 0);
}

TEST(HostileClients, LinksPlantedInTheFilesFolderAreNotFollowed) {
    TempDir files;
    ServerOptions o = TestServer::Defaults();
    o.filesDir = files.Path().string();
    TestServer server(o);
    const fs::path seeded = fs::path(server.PackageFile(3)).parent_path().parent_path();
    fs::create_directories(files.Path() / "icons");
    fs::create_directories(files.Path() / "packages");
    fs::copy_file(seeded / kIcon, files.Path() / kIcon);
    fs::copy_file(server.PackageFile(3), files.Path() / "packages" / "real.cab");
    fs::create_symlink(server.Store(), files.Path() / "store.png");
    fs::create_directory_symlink(fs::path(server.Store()).parent_path(), files.Path() / "up");
    fs::create_symlink(files.Path() / "packages" / "real.cab", files.Path() / "packages" / "link.cab");
    const struct {
        std::string path;
        int status;
    } cases[] = {
        {std::string("/files/") + kIcon, 200},
        {"/files/store.png", 404},          // a link to a file outside
        {"/files/up/catalog.db", 404},      // a link to a folder outside
        {"/files/packages/link.cab", 404},  // even one that points inside
        {"/files/packages/real.cab", 200},
    };
    for (const auto& c : cases) EXPECT_EQ(server.Get(c.path).http, c.status) << c.path;
    // A package the store names by a link is no package (-1: the package
    // itself came, not an envelope).
    const std::string session = server.SignIn();
    for (const auto& [package, code] : {std::pair{"packages/real.cab", -1}, {"packages/link.cab", 207}}) {
        Db(server.Store()).Prepare("UPDATE apps SET package = ?1 WHERE id = 3").BindAll(package).Run();
        EXPECT_EQ(server.Call("download", "sessionid=" + session + "&appid=3").code, code) << package;
    }
}

}  // namespace
}  // namespace catalogd::test
