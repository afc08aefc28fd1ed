// Two catalogd instances on one PostgreSQL database behind a proxy, as
// scripts/catalog-cluster.sh starts them: either instance answers for any
// session, a change made through one is seen through the other at once
// although both keep answers, and when the instance sending a package dies
// the proxy sends the rest, as a range, from the other.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ClusterScript.h"
#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

TEST(Cluster, InstancesShareSessionsAndChangesAndTheProxyOutlivesOne) {
    ClusterScript script;
    // A small catalog: seeding draws every picture anew.
    // Packages slow enough that a download still runs when its instance dies.
    constexpr int kRate = 8192;
    ClusterScript::Result r = script.Run({"start", "--apps", "8", "--package-rate", std::to_string(kRate)});
    if (r.missingPrograms) GTEST_SKIP() << kNoPostgresServer;
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<ApiClient> instances;
    for (const auto& url : script.Lines("instances")) instances.emplace_back(url);
    ASSERT_EQ(instances.size(), 2u);

    const std::string session = instances[0].SignIn(), app = "sessionid=" + session + "&appid=3";
    Answer before;
    const int rates = instances[1].Details(before, session, 3).attribute("rates").as_int();
    const int revision = before.Root().child("appdetails").child("app").attribute("revision").as_int();
    ASSERT_EQ(before.code, 0);
    ASSERT_EQ(instances[0].Call("rate", app + "&rate=5&text=" + Encoded("Shared store")).code, 0);
    Answer after;
    EXPECT_EQ(instances[1].Details(after, session, 3).attribute("rates").as_int(), rates + 1);
    Answer reviews = instances[1].Call("reviews", app);
    EXPECT_STREQ(reviews.Root().child("reviews").first_child().attribute("txt").value(), "Shared store");

    // So is a revision published from the command line, by both.
    Captured published =
        RunCatalogd({"publish", "--db", script.Lines("db-url").at(0), "--appid", "3", "--revision", std::to_string(revision + 1)});
    ASSERT_EQ(published.exitCode, 0) << published.out;
    for (const ApiClient& instance : instances) {
        Answer a;
        EXPECT_EQ(instance.Details(a, session, 3).attribute("revision").as_int(), revision + 1);
    }

    // The instance sending the largest package dies half-way: the client is
    // cut off, and the rest comes through the proxy from the other.
    ApiClient proxy(r.lastLine);
    Db db(script.Lines("db-url").at(0));
    Stmt& largest = db.Prepare("SELECT id, package FROM apps ORDER BY id");
    int appId = 0;
    std::string package;
    while (largest.Step()) {
        std::string bytes = ReadAll(script.Dir() / "files" / largest.Text(1));
        if (bytes.size() > package.size()) appId = static_cast<int>(largest.Int(0)), package = bytes;
    }
    largest.Reset();
    ASSERT_GT(package.size(), size_t(2 * kRate));
    const auto sent = [&](int instance) {
        int n = 0;
        for (const auto& line : script.Lines("instance-" + std::to_string(instance + 1) + ".log"))
            n += line.starts_with("download 0 ");
        return n;
    };
    const int counted[2] = {sent(0), sent(1)};
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
        EXPECT_TRUE(arrived.wait_for(lock, std::chrono::seconds(60), [&] { return !body.empty(); }));
    }
    int sender = -1;
    for (int i = 0; i < 600 && sender < 0; ++i) {
        for (int n : {0, 1})
            if (sent(n) > counted[n]) sender = n;
        if (sender < 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (sender >= 0) kill(std::stoi(script.Lines("instance-" + std::to_string(sender + 1) + ".pid").at(0)), SIGKILL);
    client.join();
    ASSERT_GE(sender, 0) << "no instance logged the download";
    ASSERT_LT(body.size(), package.size());
    ASSERT_EQ(body, package.substr(0, body.size()));
    auto rest = proxy.Client().Get(download, {{"Range", "bytes=" + std::to_string(body.size()) + "-"}});
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->status, 206);
    EXPECT_EQ(body + rest->body, package);
}

}  // namespace
}  // namespace catalogd::test
