// The tobrix program on an emulated mobile line against catalogd: a line that
// drops, a store killed in the middle of a download, a package that is not
// what the catalog published, a download called off, and every update at
// once. The lines are fast enough (a few hundred KB/s) to keep the suite
// quick; the line's own log says what went over it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "support/StoreProgramFixture.h"
#include "platform/registry/Registry.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kChatLink = 10;  // "Orbit Chat Link", revision 2, offered to every device
const std::string kSignIn = "wait-idle\nkey soft1\nwait-idle\n";
const std::string kInstall = "tap-text Install\nwait-idle\nkey soft1\n";

bool ShownStartingWith(const json& tree, const std::string& head) {
    for (const auto& t : ShownTexts(tree))
        if (t.rfind(head, 0) == 0) return true;
    return false;
}

class MobileLinkTest : public StoreProgramFixture {
protected:
    void SetUp() override {
        StoreProgramFixture::SetUp();
        if (HasFatalFailure()) return;
        chatLinkPackage = Package("chatlink_10.cab");
        ASSERT_FALSE(chatLinkPackage.empty());
    }

    // Shapes the device's line with devicectl, as a person would.
    void Line(std::vector<std::string> options) {
        options.insert(options.begin(), {"link", device->Root().string()});
        int code = -1;
        RunCapture(DEVICECTL_PATH, options, &code);
        ASSERT_EQ(code, 0);
    }
    std::vector<LinkTransfer> Downloads() const { return PackageTransfers(*device); }
    std::vector<fs::path> CabFiles() const {
        std::vector<fs::path> files;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(device->ProgramFile("cabs"), ec)) files.push_back(e.path());
        return files;
    }
    uint32_t Revision(const std::u16string& sysid) const {
        auto key = platform::OpenRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\" + sysid);
        uint32_t revision = 0;
        if (key) key->ReadDword(u"TobrixRevision", revision);
        return revision;
    }
    bool Installed(const std::u16string& sysid) const {
        return platform::OpenRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\" + sysid).has_value();
    }
    fs::path Package(const std::string& name) const {
        for (const auto& e : fs::recursive_directory_iterator(server.Assets()))
            if (e.path().filename() == name) return e.path();
        return {};
    }
    std::string Shot(const std::string& name) const { return "screenshot " + ShotFile("mobile-" + name) + "\n"; }
    std::string Dump(const std::string& name) const {
        return "dump-tree " + device->Scratch(name + ".json").string() + "\n";
    }
    json Tree(const std::string& name) const { return ReadTree(device->Scratch(name + ".json")); }
    std::vector<std::string> Link(int appId) const { return {"\"tobrix://" + std::to_string(appId) + "/\""}; }
    // From the main menu; the small screen shows the entry after a drag up.
    std::string MyApps() const {
        const std::string up = "down 88 180\nmove 88 150\nsleep 100\nmove 88 120\nsleep 100\nmove 88 90\nsleep 100\n"
                               "move 88 60\nsleep 300\nup 88 60\nwait-idle\n";
        return (Small() ? up : "") + "tap-text My applications\nwait-idle\n";
    }
    std::string Url() const { return text::Utf16ToUtf8(server.BaseUrl()); }

    fs::path chatLinkPackage;
};

class MobileLinkVgaTest : public MobileLinkTest {};

TEST_P(MobileLinkVgaTest, ALineThatDropsTwiceDeliversThePackageOnceWithoutTheUser) {
    const uint64_t size = fs::file_size(chatLinkPackage);
    const uint64_t dropAfter = size / 3 + 1;  // three transfers, the first two cut
    Line({"--down", "2400", "--latency", "20", "--drop-after", std::to_string(dropAfter)});
    StoreRun run = RunStore(*device, kSignIn + kInstall + "wait-idle 120\n" + Dump("done") + "quit\n", Url(),
                            Link(kChatLink));
    ASSERT_TRUE(Succeeded(run));
    EXPECT_EQ(Revision(u"Orbit Chat Link"), 2u);
    EXPECT_EQ(CountShown(Tree("done"), "Error"), 0) << "the drops are not the user's business";

    const std::vector<LinkTransfer> transfers = Downloads();
    ASSERT_EQ(transfers.size(), 3u);
    uint64_t body = 0, headers = 0;
    for (size_t i = 0; i < transfers.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(transfers[i].from, i == 0 ? -1 : int64_t(i * dropAfter));
        EXPECT_EQ(transfers[i].status, i == 0 ? 200 : 206);
        EXPECT_EQ(transfers[i].outcome, i == 2 ? "complete" : "dropped");
        body += transfers[i].bodyBytes;
        headers += transfers[i].headerBytes;
    }
    EXPECT_EQ(body, size) << "every byte of the package came over the line once";
    EXPECT_LT(headers, 3u * 1024) << "and the rest was headers";
}

TEST_P(MobileLinkVgaTest, AStoreKilledInTheMiddleOfADownloadGoesOnWhereItStoppedAfterARestart) {
    const uint64_t size = fs::file_size(chatLinkPackage);
    // 2 KB/s: the package takes several seconds, time to kill the store.
    Line({"--down", "16", "--latency", "20"});
    // A package announced by URL is kept under its install name.
    const fs::path partial = device->ProgramFile("cabs") / "Orbit Chat Link.cab.partial";
    {
        RunningStore store(*device, kSignIn + kInstall + "sleep 120000\n", Url(), Link(kChatLink));
        ASSERT_TRUE(Eventually([&] {
            std::error_code ec;
            return fs::file_size(partial, ec) >= 2048 && !ec && fs::exists(partial.string() + ".info");
        })) << store.Kill().errors;
        store.Kill();
    }
    const uint64_t held = fs::file_size(partial);
    ASSERT_LT(held, size);

    // Started again on a fast line: once signed in, the download goes on
    // by itself and asks only for what is missing.
    Line({"--down", "2400"});
    StoreRun run = RunStore(*device, kSignIn + "wait-idle 120\n" + MyApps() + Dump("resumed") + "quit\n", Url());
    ASSERT_TRUE(Succeeded(run));
    EXPECT_EQ(Revision(u"Orbit Chat Link"), 2u);
    EXPECT_TRUE(CabFiles().empty());
    // The killed store never got to log its transfer: this is the new one.
    const std::vector<LinkTransfer> transfers = Downloads();
    ASSERT_EQ(transfers.size(), 1u);
    const LinkTransfer& last = transfers.back();
    EXPECT_EQ(last.from, int64_t(held));
    EXPECT_EQ(last.status, 206);
    EXPECT_EQ(last.bodyBytes, size - held);
    EXPECT_EQ(CountShown(Tree("resumed"), "Run"), 2) << "the store and Chat Link";
}

TEST_P(MobileLinkVgaTest, APackageThatIsNotWhatTheCatalogPublishedIsRefusedAndLeavesNothing) {
    // A new revision whose file is then swapped for another package: the
    // digest the catalog announces is that of the published one.
    int code = -1;
    const std::string out = RunCapture(CATALOGD_PATH, {"publish", "--db", server.Database().string(), "--appid",
                                                       std::to_string(kChatLink), "--revision", "41"},
                                       &code);
    ASSERT_EQ(code, 0) << out;
    const fs::path published = Package("chatlink_10_r41.cab");
    ASSERT_FALSE(published.empty());
    fs::copy_file(Package("quicknotes_17.cab"), published, fs::copy_options::overwrite_existing);
    Line({"--down", "2400", "--latency", "20"});
    StoreRun run = RunStore(*device, kSignIn + kInstall + "wait-idle 120\n" + Dump("refused") + "quit\n", Url(),
                            Link(kChatLink));
    ASSERT_TRUE(Succeeded(run));
    EXPECT_EQ(CountShown(Tree("refused"), "The package could not be verified: it is not the one the catalog published. "
                                          "Nothing was installed."),
              1);
    EXPECT_FALSE(Installed(u"Orbit Chat Link"));
    EXPECT_FALSE(Installed(u"Pebble Quick Notes")) << "the other package never reached the installer";
    EXPECT_TRUE(CabFiles().empty());
}

// A download on a slow line, called off from its row.
TEST_P(MobileLinkTest, CancelStopsTheDownloadAndTakesAFirstInstallationsRowAway) {
    Line({"--down", "8", "--latency", "20"});
    StoreRun run = RunStore(*device,
                            kSignIn + kInstall + "sleep 1500\nexpect-text Cancel\n" + Shot("cancel") + Dump("busy") +
                                "tap-text Cancel\nwait-idle\n" + Shot("cancelled") + Dump("cancelled") + "quit\n",
                            Url(), Link(kChatLink));
    ASSERT_TRUE(Succeeded(run));
    const json busy = Tree("busy");
    // The row, and the header's way back to the details page it came from.
    EXPECT_EQ(CountShown(busy, "Chat Link"), 2);
    EXPECT_EQ(CountShown(busy, "Downloading..."), 1);
    const json cancelled = Tree("cancelled");
    EXPECT_EQ(CountShown(cancelled, "Chat Link"), 1) << "only the header: it was never on the device";
    EXPECT_EQ(CountShown(cancelled, "In progress"), 0);
    EXPECT_EQ(CountShown(cancelled, "Error"), 0) << "a cancel is no failure";
    EXPECT_TRUE(CabFiles().empty());
    EXPECT_FALSE(Installed(u"Orbit Chat Link"));
}

TEST_P(MobileLinkTest, UpdateAllAsksOnceWithTheTotalSizeAndInstallsEveryUpdate) {
    // Three applications the store installed at revision 1, each a newer
    // revision in the catalog (one per profile: the catalog's files are
    // shared by tests running at once).
    const std::vector<std::pair<int, std::u16string>> apps = {
        {kChatLink, u"Orbit Chat Link"}, {9, u"Orbit Web Reader"}, {17, u"Pebble Quick Notes"}};
    const uint32_t revision = Small() ? 43 : 42;
    for (const auto& [id, sysid] : apps) {
        int code = -1;
        const std::string out = RunCapture(CATALOGD_PATH, {"publish", "--db", server.Database().string(), "--appid",
                                                           std::to_string(id), "--revision", std::to_string(revision)},
                                           &code);
        ASSERT_EQ(code, 0) << out;
        auto key = platform::Registry::Current()->CreateKey(platform::Hive::LocalMachine,
                                                            u"Security\\AppInstall\\" + sysid);
        ASSERT_TRUE(key && key->WriteDword(u"TobrixRevision", 1));
    }
    Line({"--down", "2400", "--latency", "20"});
    StoreRun run = RunStore(*device,
                            kSignIn + MyApps() + Shot("update-all") + Dump("offered") +
                                "tap-text Update all\nwait-idle\n" + Shot("update-all-confirm") + Dump("confirm") +
                                "key soft1\n" + Shot("updating") + "wait-idle 120\n" + Dump("updated") + "quit\n",
                            Url());
    ASSERT_TRUE(Succeeded(run));
    EXPECT_EQ(CountShown(Tree("offered"), "Update all"), 1);
    if (!Small()) {
        EXPECT_EQ(CountShown(Tree("offered"), "Update"), 3) << "the small screen shows two rows at once";
    }
    EXPECT_TRUE(ShownStartingWith(Tree("confirm"), "Update 3 applications? "));
    for (const auto& [id, sysid] : apps) EXPECT_EQ(Revision(sysid), revision) << text::Utf16ToUtf8(sysid);
    const json updated = Tree("updated");
    EXPECT_EQ(CountShown(updated, "Update all"), 0);
    EXPECT_EQ(CountShown(updated, "Update"), 0);
    EXPECT_EQ(CountShown(updated, "Error"), 0);
}

INSTANTIATE_TEST_SUITE_P(Profiles, MobileLinkTest, ::testing::ValuesIn(kProfiles), ProfileName);
INSTANTIATE_TEST_SUITE_P(Profiles, MobileLinkVgaTest, ::testing::ValuesIn(kVga), ProfileName);

}  // namespace
