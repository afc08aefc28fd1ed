// Two catalogd instances on one PostgreSQL database behind nginx, as
// scripts/catalog-cluster.sh starts them: either instance answers for any
// session, a change made through one is seen through the other at once
// although both keep answers, and when the instance sending a package dies
// the proxy sends the rest from the other.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "ClusterScript.h"
#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

class Cluster : public ::testing::Test {
protected:
    // Slow enough that a download is still running when its instance is killed.
    static constexpr int kRate = 8192;

    void SetUp() override {
        // A small catalog: seeding draws every picture anew.
        ClusterScript::Result r = script.Run({"start", "--apps", "8", "--package-rate", std::to_string(kRate)});
        if (r.missingPrograms) GTEST_SKIP() << kNoPostgresServer;
        ASSERT_EQ(r.status, 0) << r.out;
        proxy = ApiClient(r.lastLine);
        for (const auto& url : script.Lines("instances")) instances.emplace_back(url);
        ASSERT_EQ(instances.size(), 2u);
        store = script.Lines("db-url").at(0);
    }

    pugi::xml_node App(Answer& a) { return a.Root().child("appdetails").child("app"); }
    int Downloads(int instance) {
        int n = 0;
        for (const auto& line : script.Lines("instance-" + std::to_string(instance + 1) + ".log"))
            n += line.starts_with("download 0 ");
        return n;
    }
    // The application with the largest package: it takes longest to send.
    std::pair<int, std::string> LargestPackage() {
        Db db(store);
        Stmt& s = db.Prepare("SELECT id, package FROM apps ORDER BY id");
        std::pair<int, std::string> best{0, ""};
        while (s.Step()) {
            std::string bytes = ReadWholeFile(script.Dir() / "files" / s.Text(1));
            if (bytes.size() > best.second.size()) best = {static_cast<int>(s.Int(0)), bytes};
        }
        s.Reset();
        return best;
    }

    ClusterScript script;
    ApiClient proxy;
    std::vector<ApiClient> instances;
    std::string store;
};

TEST_F(Cluster, InstancesShareSessionsAndChangesAndTheProxyOutlivesOne) {
    // A session opened through one instance is good on the other.
    const std::string session = instances[0].SignIn();
    EXPECT_EQ(instances[1].Call("cats", "sessionid=" + session).code, 0);

    // A rating through the first is seen through the second at once, though
    // the second kept its answer.
    const std::string app = "sessionid=" + session + "&appid=3";
    Answer before = instances[1].Call("appdetails", app + "&details=0");
    ASSERT_EQ(before.code, 0);
    const int rates = App(before).attribute("rates").as_int();
    const int revision = App(before).attribute("revision").as_int();
    ASSERT_EQ(instances[0].Call("rate", app + "&rate=5&text=" + Encoded("Shared store")).code, 0);
    Answer after = instances[1].Call("appdetails", app + "&details=0");
    EXPECT_EQ(App(after).attribute("rates").as_int(), rates + 1);
    Answer reviews = instances[1].Call("reviews", app);
    EXPECT_STREQ(reviews.Root().child("reviews").first_child().attribute("txt").value(), "Shared store");

    // So is a revision published from the command line, by both.
    TempDir scratch;
    ProcessRun published = RunProgram(CATALOGD_EXE,
                                      {"publish", "--db", store, "--appid", "3", "--revision", std::to_string(revision + 1)},
                                      scratch.Path() / "publish.log");
    ASSERT_EQ(published.status, 0) << published.out;
    for (const ApiClient& instance : instances) {
        Answer a = instance.Call("appdetails", app + "&details=0");
        EXPECT_EQ(App(a).attribute("revision").as_int(), revision + 1);
    }

    // Through the proxy, file URLs name the proxy, which serves the shared
    // folder itself, ranges included.
    const std::string base = "http://127.0.0.1:" + std::to_string(proxy.Port());
    Answer listed = proxy.Call("appdetails", "sessionid=" + session + "&appid=2&details=0");
    const std::string install = App(listed).attribute("install").value();
    ASSERT_EQ(install.rfind(base + "/files/", 0), 0u) << install;
    const std::string file = ReadWholeFile(script.Dir() / "files" / install.substr(base.size() + 7));
    auto part = proxy.Client().Get(install.substr(base.size()), {{"Range", "bytes=10-19"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, file.substr(10, 10));

    // The instance sending a package dies half-way: the client is cut off,
    // the other instance goes on answering, and the rest comes through the
    // proxy as a range.
    auto [appId, package] = LargestPackage();
    ASSERT_GT(package.size(), size_t(2 * kRate));
    const int counted[2] = {Downloads(0), Downloads(1)};
    const std::string download = "/download.xml?sessionid=" + session + "&appid=" + std::to_string(appId);
    std::mutex mutex;
    std::condition_variable arrived;
    std::string body;
    std::thread client([&] {
        proxy.Client().Get(download, [&](const char* data, size_t n) {
            std::lock_guard lock(mutex);
            body.append(data, n);
            arrived.notify_all();
            return true;
        });
    });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(60), [&] { return !body.empty(); }));
    }
    // The instance that logged the download is the one sending it.
    int sender = -1;
    for (int i = 0; i < 60 && sender < 0; ++i) {
        for (int n : {0, 1})
            if (Downloads(n) > counted[n]) sender = n;
        if (sender < 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_GE(sender, 0) << "no instance logged the download";
    const auto pid = std::stoi(script.Lines("instance-" + std::to_string(sender + 1) + ".pid").at(0));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    client.join();
    ASSERT_LT(body.size(), package.size());
    ASSERT_EQ(body, package.substr(0, body.size()));

    EXPECT_EQ(proxy.Call("cats", "sessionid=" + session).code, 0);
    auto rest = proxy.Client().Get(download, {{"Range", "bytes=" + std::to_string(body.size()) + "-"}});
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->status, 206);
    EXPECT_EQ(body + rest->body, package);
}

}  // namespace
}  // namespace catalogd::test
