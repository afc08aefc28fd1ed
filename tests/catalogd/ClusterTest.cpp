// Two catalogd instances on one PostgreSQL database, as
// scripts/catalog-cluster.sh starts them: either instance answers for any
// session, and a change made through one is seen through the other at once
// although both keep answers. (A download surviving the death of its
// instance is the store's own test, ClusterDownloadTest.)
#include <gtest/gtest.h>

#include "ClusterScript.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

TEST(Cluster, InstancesShareSessionsAndChanges) {
    ClusterScript script;
    // A small catalog: seeding draws every picture anew.
    ClusterScript::Result r = script.Run({"start", "--apps", "8"});
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
}

}  // namespace
}  // namespace catalogd::test
