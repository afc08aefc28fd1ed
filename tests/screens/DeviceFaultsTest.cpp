#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>

#include "ScreensProgramFixture.h"
#include "pkg/CabArchive.h"

// The tobrix program itself, headless, on a devicectl device against
// catalogd, when the device lets it down: storage that runs full, and the
// store killed while its installer works. (Damaged and hostile packages and
// an installer cut short are the installer's and the pipeline's own cases.)
// Each case looks at what the user is shown and at what is left on the
// device: its files and its registry.
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kChatLink = 10;  // "Orbit Chat Link", revision 2, package chatlink_10.cab
const std::u16string kChatLinkSysid = u"Orbit Chat Link";
const std::string kInstallFailed = "The application could not be installed.";
const std::string kNoRoom = "There is not enough free space on the device for this application.";
const std::string kSignIn = "wait-idle\nkey soft1\nwait-idle\n";
const std::string kInstall = "tap-text Install\nwait-idle\nkey soft1\nwait-idle\n";

class DeviceFaults : public ScreensProgramFixture {
protected:
    void SetUp() override {
        ScreensProgramFixture::SetUp();
        if (HasFatalFailure()) return;
        filesBefore = Files();
        registryBefore = Registry();
    }

    std::string Devicectl(std::vector<std::string> args) const {
        int code = -1;
        std::string out = RunCapture(DEVICECTL_PATH, args, &code);
        EXPECT_EQ(code, 0) << "devicectl";
        return out;
    }
    void SetFreeSpace(uint64_t bytes) const {
        Devicectl({"storage", device->Root().string(), "--free", std::to_string(bytes)});
        // This process judges the device by the description as well.
        platform::SetCurrentDevice(*platform::DeviceRoot::Open(device->Root()));
    }
    // Every file and folder of the device's own folders, relative; the
    // root's files (the registry, logs), the test's scratch folder and the
    // pictures the store keeps from browsing (no installation's) aside.
    std::set<std::string> Files() const {
        std::set<std::string> out;
        const fs::path pictures = fs::path("Program Files") / "Tobrix" / "pictures";
        for (const auto& e : fs::recursive_directory_iterator(device->Root())) {
            const fs::path rel = fs::relative(e.path(), device->Root());
            if (*rel.begin() == "scratch" || (std::distance(rel.begin(), rel.end()) == 1 && !e.is_directory()) ||
                rel == pictures || rel.parent_path() == pictures)
                continue;
            out.insert(rel.string());
        }
        return out;
    }
    std::string Registry() const { return Devicectl({"reg", device->Root().string(), "dump"}); }
    // The installer unpacks into a work folder of its own while it runs.
    bool InstallerAtWork() const {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(device->Root() / "Windows" / "AppMgr", ec))
            if (e.path().filename().string().rfind("~staging-", 0) == 0) return true;
        return false;
    }
    fs::path CabFolder() const { return device->ProgramFile("cabs"); }
    fs::path ChatLinkFolder() const { return device->Root() / "Program Files" / "Chat Link"; }
    // Nothing of a failed installation is left: the device holds the files
    // and registry entries it held before, and the failure was shown once.
    void ExpectUntouched(const json& shown, const std::string& what) {
        EXPECT_EQ(CountShown(shown, kInstallFailed), 1) << what;
        EXPECT_FALSE(Installed(kChatLinkSysid)) << what;
        EXPECT_EQ(Files(), filesBefore) << what;
        EXPECT_EQ(Registry(), registryBefore) << what;
    }

    std::set<std::string> filesBefore;
    std::string registryBefore;
};

}  // namespace

// The package does not fit: the download stops, and the device has neither
// a piece of it nor anything installed. With room again the same install works.
TEST_P(DeviceFaults, StorageFullWhileDownloadingKeepsNoHalfFile) {
    const fs::path cab = Package("chatlink_10.cab");
    ASSERT_FALSE(cab.empty());
    SetFreeSpace(fs::file_size(cab) / 2);
    {
        // The device is looked at while the store still runs: its exit clears
        // the download folder and would hide a half file.
        RunningStore store(*device, kSignIn + kInstall + Dump("full") + Dump("full-done") + "sleep 120000\n",
                           text::Utf16ToUtf8(server.BaseUrl()), Link(kChatLink));
        ASSERT_TRUE(Eventually([&] { return fs::exists(device->Scratch("full-done.json")); })) << store.Kill().errors;
        const json full = Tree("full");
        EXPECT_EQ(CountShown(full, "Download failed"), 1) << "the row stays among the jobs, no longer running";
        EXPECT_EQ(CountShown(full, "Try again"), 1);
        EXPECT_EQ(CountShown(full, kNoRoom), 1) << "a full device is not reported as a lost connection";
        EXPECT_TRUE(Shows(full, "Chat Link")) << "the application keeps its row";
        EXPECT_TRUE(fs::is_empty(CabFolder()));
        std::set<std::string> files = Files();
        files.erase("Program Files/Tobrix/cabs");
        EXPECT_EQ(files, filesBefore);
        EXPECT_FALSE(Installed(kChatLinkSysid));
        EXPECT_EQ(Registry(), registryBefore);
    }
    Devicectl({"storage", device->Root().string(), "--unlimited"});
    StoreRun run = Run(kInstall, kChatLink);
    ASSERT_TRUE(Succeeded(run));
    EXPECT_TRUE(Installed(kChatLinkSysid));
    EXPECT_TRUE(fs::exists(ChatLinkFolder() / "chatlink.exe"));
}

// The package arrives, but its unpacked files do not fit beside it: the
// installer stops half way through putting them in place and takes back
// what it had done.
TEST_P(DeviceFaults, StorageFullWhileInstallingRollsBack) {
    const fs::path cab = Package("chatlink_10.cab");
    ASSERT_FALSE(cab.empty());
    auto archive = pkg::CabArchive::Open(cab, nullptr);
    ASSERT_TRUE(archive);
    uint64_t unpacked = 0;
    for (const auto& entry : archive->Entries()) unpacked += entry.size;
    // Room for the download and for unpacking, not for the installed copies
    // as well (the settings' save at the end needs a little).
    SetFreeSpace(fs::file_size(cab) + unpacked + 1024);
    StoreRun run = Run(kInstall + Dump("failed") + "key soft1\nwait-idle\n" + Dump("after"), kChatLink);
    ASSERT_TRUE(Succeeded(run));
    ExpectUntouched(Tree("failed"), "storage full");
    EXPECT_EQ(CountShown(Tree("after"), kInstallFailed), 0);
}

// Killed while the installer works and right after it: the installer ends
// its work on its own, and after a restart the registry, the files and My
// applications all say the same.
TEST_P(DeviceFaults, KilledWhileInstallingLeavesTheDeviceWholeAndTheViewAgrees) {
    for (const char* point : {"installer-started", "installer-ended"}) {
        ::setenv("TOBRIX_CRASH_AT", point, 1);
        StoreRun crashed = Run(kInstall, kChatLink);
        ::unsetenv("TOBRIX_CRASH_AT");
        ASSERT_EQ(crashed.exitCode, 128 + SIGKILL) << point << crashed.errors;
        // The installer outlives the store; it is done once its key is there
        // and its work folder is gone.
        ASSERT_TRUE(Eventually([&] { return Installed(kChatLinkSysid) && !InstallerAtWork(); })) << point;
        EXPECT_TRUE(fs::exists(ChatLinkFolder() / "chatlink.exe")) << point;
        StoreRun run = Run("tap-text My applications\nwait-idle\n" + Dump("restarted"));
        ASSERT_EQ(run.exitCode, 0) << point << run.errors;
        const json restarted = Tree("restarted");
        EXPECT_EQ(CountShown(restarted, "Chat Link"), 1) << point;
        EXPECT_EQ(CountShown(restarted, "Run"), 2) << point << ": the store's own row and Chat Link's";
        EXPECT_FALSE(fs::exists(CabFolder())) << point << ": the package left behind is gone";

        // Removed again for the next point, through the store.
        run = Run("tap-text My applications\nwait-idle\ntap-text-below Chat Link | Uninstall\nwait-idle\n"
                  "key soft1\nwait-idle\n");
        ASSERT_EQ(run.exitCode, 0) << point << run.errors;
        ASSERT_FALSE(Installed(kChatLinkSysid)) << point;
        EXPECT_FALSE(fs::exists(ChatLinkFolder())) << point;
    }
}

INSTANTIATE_TEST_SUITE_P(Vga, DeviceFaults, ::testing::ValuesIn(kVga), ProfileName);
