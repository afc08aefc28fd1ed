// The tobrix program on an emulated mobile line against catalogd: a download
// called off from its row, and every update at once. A line that drops, a
// store killed under a download and a package that is not the published one
// are settled where they are cheapest: the transfer's own tests, the store
// pipeline and the tampering relay.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/StoreProgramFixture.h"
#include "platform/registry/Registry.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kChatLink = 10;  // "Orbit Chat Link", revision 2, offered to every device
const std::string kSignIn = "wait-idle\nkey soft1\nwait-idle\n";
const std::string kInstall = "tap-text Install\nwait-idle\nkey soft1\n";

class MobileLinkTest : public StoreProgramFixture {
protected:
    // Shapes the device's line with devicectl, as a person would.
    void Line(std::vector<std::string> options) {
        options.insert(options.begin(), {"link", device->Root().string()});
        int code = -1;
        RunCapture(DEVICECTL_PATH, options, &code);
        ASSERT_EQ(code, 0);
    }
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
};

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
    EXPECT_TRUE(ShowsStart(Tree("confirm"), "Update 3 applications? "));
    for (const auto& [id, sysid] : apps) EXPECT_EQ(Revision(sysid), revision) << text::Utf16ToUtf8(sysid);
    const json updated = Tree("updated");
    EXPECT_EQ(CountShown(updated, "Update all"), 0);
    EXPECT_EQ(CountShown(updated, "Update"), 0);
    EXPECT_EQ(CountShown(updated, "Error"), 0);
}

INSTANTIATE_TEST_SUITE_P(Profiles, MobileLinkTest, ::testing::ValuesIn(kProfiles), ProfileName);

}  // namespace
