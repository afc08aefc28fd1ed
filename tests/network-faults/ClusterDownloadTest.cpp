// The tobrix program against two catalogd instances on one PostgreSQL
// database behind nginx, as scripts/catalog-cluster.sh starts them. The
// instance sending a package dies half-way: the proxy has already passed the
// answer on and cannot take it back, so the store sees a broken transfer, and
// its own resume asks the proxy for the rest, which the other instance sends.
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <filesystem>
#include <string>

#include "ClusterScript.h"
#include "support/StoreRun.h"
#include "platform/device/DeviceRoot.h"
#include "platform/registry/Registry.h"

namespace {

namespace fs = std::filesystem;
using catalogd::test::ClusterScript;

// "Orbit Chat Link", revision 2, about 10 KB, offered to every device.
const std::string kChatLink = "10";
// Packages leave the instances at 1 KB/s: about ten seconds for the whole
// of it, time enough to find and kill the sender however busy the machine.
const std::string kPackageRate = "1024";

class ClusterDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClusterScript::Result started = cluster.Run({"start", "--apps", kChatLink, "--package-rate", kPackageRate});
        if (started.missingPrograms) GTEST_SKIP() << catalogd::test::kNoPostgresServer;
        ASSERT_EQ(started.status, 0) << started.out;
        proxyUrl = started.lastLine;
        platform::SetCurrentDevice(*platform::DeviceRoot::Open(device.Root()));
        ASSERT_TRUE(RememberDemoSignIn(device));
        // An unshaped line, but one that logs what each transfer asked for and got.
        int code = -1;
        RunCapture(DEVICECTL_PATH, {"link", device.Root().string(), "--profile", "wifi"}, &code);
        ASSERT_EQ(code, 0);
    }
    void TearDown() override { platform::ClearCurrentDevice(); }

    // Package requests (size queries among them) each instance has logged.
    std::array<int, 2> Requests() const {
        std::array<int, 2> counts{};
        for (int n : {0, 1})
            for (const auto& line : cluster.Lines("instance-" + std::to_string(n + 1) + ".log"))
                counts[n] += line.starts_with("download 0 ");
        return counts;
    }
    // An installed file's bytes are one of the package's files.
    bool FromPackage(const std::string& name, const std::string& package) const {
        for (const auto& e : fs::recursive_directory_iterator(device.Root()))
            if (e.path().filename() == name)
                for (const auto& [inside, bytes] : catalogd::test::ReadCabinet(package))
                    if (bytes == catalogd::test::ReadWholeFile(e.path())) return true;
        return false;
    }

    ClusterScript cluster;
    StoreDevice device;
    std::string proxyUrl;
};

TEST_F(ClusterDownloadTest, TheStoreResumesThroughTheProxyFromTheInstanceThatOutlivedTheSender) {
    const std::string package = catalogd::test::ReadWholeFile(cluster.Dir() / "files/packages/chatlink_10.cab");
    ASSERT_GT(package.size(), 4096u);
    LiveStore store(device, proxyUrl, {"\"tobrix://" + kChatLink + "/\""});
    // Signed in, on the application's page. Install asks for the package's
    // size (a request of its own), then for the user's yes.
    store.Say("wait-idle\nkey soft1\nwait-idle\ntap-text Install\nwait-idle\n");
    ASSERT_TRUE(ShowsStart(store.Dump(), "Install Chat Link? 10 KB")) << "no confirmation to install";
    const std::array<int, 2> asked = Requests();
    store.Say("key soft1\n");

    // The instance that logs the next package request sends the package.
    int sender = -1;
    ASSERT_TRUE(Eventually([&] {
        const std::array<int, 2> now = Requests();
        for (int n : {0, 1})
            if (now[n] > asked[n]) sender = n;
        return sender >= 0;
    })) << "no instance got the download";
    // Killed a couple of seconds into the transfer, well before its end.
    const fs::path partial = device.ProgramFile("cabs") / "Orbit Chat Link.cab.partial";
    ASSERT_TRUE(Eventually([&] {
        std::error_code ec;
        return fs::file_size(partial, ec) >= 2048 && !ec;
    })) << "the package does not arrive";
    const int pid = std::stoi(cluster.Lines("instance-" + std::to_string(sender + 1) + ".pid").at(0));
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    const std::array<int, 2> atKill = Requests();

    store.Say("wait-idle 120\n");
    EXPECT_EQ(CountShown(store.Dump(), "Error"), 0) << "the user need not hear of it";
    ASSERT_TRUE(Succeeded(store.Finish()));

    auto key = platform::OpenRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\Orbit Chat Link");
    uint32_t revision = 0;
    ASSERT_TRUE(key && key->ReadDword(u"TobrixRevision", revision));
    EXPECT_EQ(revision, 2u);
    EXPECT_TRUE(FromPackage("chatlink.exe", package));
    EXPECT_FALSE(fs::exists(partial));

    // Two transfers. The proxy passes the cut answer on as it is (it had
    // sent its head already, so it cannot try the other instance): the
    // store gets fewer bytes than announced. Then a range from where it
    // stopped, which the instance still running answers. Every byte of the
    // package came over the line once.
    const std::vector<LinkTransfer> transfers = PackageTransfers(device);
    ASSERT_EQ(transfers.size(), 2u);
    EXPECT_EQ(transfers[0].from, -1);
    EXPECT_EQ(transfers[0].status, 200);
    EXPECT_EQ(transfers[0].outcome, "short");
    EXPECT_EQ(transfers[1].from, static_cast<int64_t>(transfers[0].bodyBytes));
    EXPECT_EQ(transfers[1].status, 206);
    EXPECT_EQ(transfers[1].outcome, "complete");
    EXPECT_EQ(transfers[0].bodyBytes + transfers[1].bodyBytes, package.size());
    const int survivor = 1 - sender;
    EXPECT_EQ(Requests()[survivor], atKill[survivor] + 1) << "the resumed request went to the instance still running";
}

}  // namespace
