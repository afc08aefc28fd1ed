// The tobrix program against a catalogd that goes away in the middle of a
// package download, and comes back.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "base/Text.h"
#include "i18n/Localization.h"
#include "net/PartialDownload.h"
#include "platform/device/DeviceRoot.h"
#include "platform/registry/Registry.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kChatLink = 10;  // "Orbit Chat Link", about 10 KB, revision 2
// Slow enough that the package cannot arrive before the test stops the
// service, however busy the machine: ten seconds for the whole of it.
constexpr const char* kSlowLine = "1024";
// Room for the script's own waits (up to two minutes idle) before a dump.
constexpr std::chrono::seconds kScriptWait{150};

// The service dies under the download (a stopped one breaks the line the same
// way).
class InterruptedDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(catalog.Running()) << catalog.Error();
        // Credentials remembered: the sign-in screen needs only its first key.
        platform::SetCurrentDevice(*platform::DeviceRoot::Open(device.Root()));
        Localization::Instance().Load(device.ProgramFile("localization.xml"), u"0409");
        ASSERT_TRUE(RememberDemoSignIn(device));
    }
    void TearDown() override { platform::ClearCurrentDevice(); }

    std::vector<fs::path> Downloads() const {
        std::vector<fs::path> files;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(device.ProgramFile("cabs"), ec)) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files;
    }
    bool Installed(const std::u16string& sysid, uint32_t* revision = nullptr) const {
        auto key = platform::OpenRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\" + sysid);
        if (key && revision) key->ReadDword(u"TobrixRevision", *revision);
        return key.has_value();
    }
    bool FileOnDevice(const std::string& name) const {
        for (const auto& e : fs::recursive_directory_iterator(device.Root()))
            if (e.path().filename() == name) return true;
        return false;
    }

    // Signs in on the application's page and confirms the install; true once
    // the package's first bytes and what the server said of the file are on
    // the device.
    bool BeginInstall(LiveStore& store) const {
        store.Say("wait-idle\nkey soft1\nwait-idle\ntap-text Install\nwait-idle\nkey soft1\n");
        return Eventually([&] {
            std::error_code ec;
            return fs::file_size(Partial(), ec) > 0 && fs::exists(Partial().string() + ".info");
        });
    }
    fs::path Partial() const { return device.ProgramFile("cabs") / "Orbit Chat Link.cab.partial"; }

    CatalogServer catalog{{"--package-rate", kSlowLine}};
    StoreDevice device;
};

TEST_F(InterruptedDownloadTest, TheFailedDownloadKeepsWhatArrivedAndTheSameInstallGoesOnOnceTheServiceIsBack) {
    // A fast line, shaped only so that the device logs what went over it.
    int code = -1;
    RunCapture(DEVICECTL_PATH, {"link", device.Root().string(), "--profile", "wifi"}, &code);
    ASSERT_EQ(code, 0);
    LiveStore store(device, text::Utf16ToUtf8(catalog.BaseUrl()), {"\"tobrix://" + std::to_string(kChatLink) + "/\""});
    ASSERT_TRUE(BeginInstall(store)) << "the download never started";
    const fs::path partial = Partial();
    catalog.Stop(SIGKILL);

    // The store tries again by itself for a while, then gives up.
    store.Say("wait-idle 90\n");
    const json failed = store.Dump(kScriptWait);
    ASSERT_FALSE(failed.empty());
    EXPECT_EQ(Downloads(), (std::vector<fs::path>{partial, partial.string() + ".info"}))
        << "what arrived stays for the next try, and nothing else";
    const uintmax_t held = fs::file_size(partial);
    EXPECT_FALSE(Installed(u"Orbit Chat Link"));
    // The user is told once that the download failed; no install was queued
    // (it would have ended in a message of its own).
    EXPECT_EQ(CountShown(failed, "Error"), 1);
    EXPECT_EQ(CountShown(failed, "Could not connect to the store. Please check your connection and try again."), 1);
    EXPECT_EQ(CountShown(failed, "The application could not be installed."), 0);
    // The row's own states (failed, try again) are the hostile-service
    // suite's: here only the way back counts.
    store.Say("key soft1\nwait-idle\n");
    EXPECT_EQ(CountShown(store.Dump(), "Try again"), 1);

    // The service is back where the store knows it, at full speed; trying
    // again goes on from what arrived and the package installs.
    ASSERT_TRUE(catalog.Restart()) << catalog.Error();
    store.Say("tap-text Try again\nwait-idle 120\n");
    const json done = store.Dump(kScriptWait);
    EXPECT_TRUE(Succeeded(store.Finish()));

    uint32_t revision = 0;
    EXPECT_TRUE(Installed(u"Orbit Chat Link", &revision));
    EXPECT_EQ(revision, 2u);
    EXPECT_TRUE(FileOnDevice("chatlink.exe"));
    EXPECT_TRUE(Downloads().empty());
    EXPECT_EQ(CountShown(done, "The application could not be installed."), 0);
    // The last transfer asked only for what was missing.
    const std::vector<LinkTransfer> transfers = PackageTransfers(device);
    ASSERT_FALSE(transfers.empty());
    EXPECT_EQ(transfers.back().from, static_cast<int64_t>(held));
    EXPECT_EQ(transfers.back().status, 206);
}

// The user quits while the package is on its way: the store ends cleanly
// (its exit runs under the sanitizers here, with the download's worker still
// ending), and keeps what arrived for the next run, as a broken line would.
TEST_F(InterruptedDownloadTest, QuittingInTheMiddleOfADownloadEndsCleanlyAndKeepsWhatArrived) {
    LiveStore store(device, text::Utf16ToUtf8(catalog.BaseUrl()), {"\"tobrix://" + std::to_string(kChatLink) + "/\""});
    ASSERT_TRUE(BeginInstall(store)) << "the download never started";
    const fs::path partial = Partial();

    const StoreRun run = store.Finish();
    EXPECT_TRUE(Succeeded(run));
    EXPECT_EQ(run.errors.find("Sanitizer"), std::string::npos) << run.errors;
    EXPECT_EQ(Downloads(), (std::vector<fs::path>{partial, partial.string() + ".info"}));
    const auto identity = net::ReadIdentity(partial.string() + ".info");
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->owner, "Orbit Chat Link");
    EXPECT_GT(identity->length, static_cast<int64_t>(fs::file_size(partial))) << "only a part arrived";
    EXPECT_FALSE(Installed(u"Orbit Chat Link"));
}

}  // namespace
