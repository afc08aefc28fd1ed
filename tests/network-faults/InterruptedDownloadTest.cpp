// The tobrix program against a catalogd that goes away in the middle of a
// package download, and comes back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kChatLink = 10;  // "Orbit Chat Link", about 10 KB, revision 2
// Slow enough that the package cannot arrive before the test stops the
// service, however busy the machine: ten seconds for the whole of it.
constexpr const char* kSlowLine = "1024";

// The store as a process that reads its script as the test writes it.
class LiveStore {
public:
    LiveStore(const StoreDevice& device, const std::u16string& baseUrl, const std::string& link) : device(device) {
        const fs::path fifo = device.Scratch("script.fifo");
        if (::mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("cannot make the script pipe");
        // Opened here first, for reading and writing, so that the store's own
        // open does not wait for a writer.
        input = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
        platform::SpawnOptions options;
        options.stdinFile = fifo;
        options.stderrFile = device.Scratch("store.err");
        process = platform::SpawnHost(TOBRIX_PATH,
                                      {"--headless", "--device-root", device.Root().string(), "--base",
                                       text::Utf16ToUtf8(baseUrl), "--script", "-", link},
                                      options);
        if (input < 0 || !process) throw std::runtime_error("cannot start the store");
    }
    ~LiveStore() {
        if (process) {
            Say("quit\n");
            End(std::chrono::seconds(30));
        }
        if (input >= 0) ::close(input);
    }

    void Say(const std::string& lines) {
        if (::write(input, lines.data(), lines.size()) != static_cast<ssize_t>(lines.size()))
            ADD_FAILURE() << "the store does not read its script";
    }
    // Dumps the object tree and waits until the dump is whole.
    json Dump(const std::string& name) {
        const fs::path file = device.Scratch(name + ".json"), mark = device.Scratch(name + ".done");
        Say("dump-tree " + file.string() + "\nscreenshot " + mark.string() + "\n");
        if (!Eventually([&] { return fs::exists(mark); }, std::chrono::seconds(150))) return json::object();
        return ReadTree(file);
    }
    // The exit code; -2 when the store had to be killed after `limit`.
    int End(std::chrono::seconds limit) {
        int status = 0, code = -2;
        if (Eventually([&] { return ::waitpid(process->Id(), &status, WNOHANG) == process->Id(); }, limit)) {
            code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else {
            ::kill(process->Id(), SIGKILL);
            ::waitpid(process->Id(), nullptr, 0);
        }
        process.reset();
        return code;
    }

private:
    const StoreDevice& device;
    int input = -1;
    std::optional<platform::Process> process;
};

// The service is stopped (SIGTERM) or dies (SIGKILL) under the download.
class InterruptedDownloadTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(catalog.Running()) << catalog.Error();
        // Credentials remembered: the sign-in screen needs only its first key.
        platform::SetCurrentDevice(*platform::DeviceRoot::Open(device.Root()));
        Localization::Instance().Load(device.ProgramFile("localization.xml"), u"0409");
        Kestrum& k = Kestrum::Instance();
        k.Reset();
        k.savedLogin = k.sessionLogin = u"demo";
        k.savedPassword = k.sessionPassword = u"demo";
        ASSERT_TRUE(k.SaveSettings(device.ProgramFile("settings.dat")));
        k.Reset();
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

    CatalogServer catalog{{"--package-rate", kSlowLine}};
    StoreDevice device;
};

TEST_P(InterruptedDownloadTest, TheFailedDownloadKeepsWhatArrivedAndTheSameInstallGoesOnOnceTheServiceIsBack) {
    // A fast line, shaped only so that the device logs what went over it.
    int code = -1;
    RunCapture(DEVICECTL_PATH, {"link", device.Root().string(), "--profile", "wifi"}, &code);
    ASSERT_EQ(code, 0);
    LiveStore store(device, catalog.BaseUrl(), "\"tobrix://" + std::to_string(kChatLink) + "/\"");
    // Signed in, on the application's page; the install is confirmed.
    store.Say("wait-idle\nkey soft1\nwait-idle\ntap-text Install\nwait-idle\nkey soft1\n");
    // The package file exists once the answer has begun to arrive.
    const fs::path partial = device.ProgramFile("cabs") / "Orbit Chat Link.cab.partial";
    ASSERT_TRUE(Eventually([&] {
        std::error_code ec;
        return fs::file_size(partial, ec) > 0 && fs::exists(partial.string() + ".info");
    })) << "the download never started";
    catalog.Stop(GetParam());

    // The store tries again by itself for a while, then gives up.
    store.Say("wait-idle 90\n");
    const json failed = store.Dump("failed");
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
    store.Say("key soft1\nwait-idle\n");
    const json row = store.Dump("row");
    EXPECT_EQ(CountShown(row, "Error"), 0);
    // The row stays among the jobs, no longer running: it says the download
    // failed and offers to try again. Nothing of it is on the device, so
    // there is nothing to update or uninstall.
    EXPECT_EQ(CountShown(row, "In progress"), 1);
    EXPECT_EQ(CountShown(row, "Downloading..."), 0);
    EXPECT_EQ(CountShown(row, "Download failed"), 1);
    EXPECT_EQ(CountShown(row, "Try again"), 1);
    EXPECT_EQ(CountShown(row, "Chat Link"), 1);
    EXPECT_EQ(CountShown(row, "Uninstall"), 1) << "only the store's own row";
    EXPECT_EQ(CountShown(row, "Update"), 0);
    EXPECT_EQ(CountShown(row, "Run"), 1) << "only the store itself is installed";

    // The service is back where the store knows it, at full speed; trying
    // again goes on from what arrived and the package installs.
    ASSERT_TRUE(catalog.Restart()) << catalog.Error();
    store.Say("tap-text Try again\nwait-idle 120\n");
    const json done = store.Dump("done");
    store.Say("quit\n");
    EXPECT_EQ(store.End(std::chrono::seconds(60)), 0);

    uint32_t revision = 0;
    EXPECT_TRUE(Installed(u"Orbit Chat Link", &revision));
    EXPECT_EQ(revision, 2u);
    EXPECT_TRUE(FileOnDevice("chatlink.exe"));
    EXPECT_TRUE(Downloads().empty());
    EXPECT_EQ(CountShown(done, "The application could not be installed."), 0);
    EXPECT_EQ(CountShown(done, "Run"), 2) << "the store and Chat Link";
    EXPECT_EQ(CountShown(done, "In progress"), 0);
    // The last transfer asked only for what was missing.
    const std::vector<LinkTransfer> transfers = PackageTransfers(device);
    ASSERT_FALSE(transfers.empty());
    EXPECT_EQ(transfers.back().from, static_cast<int64_t>(held));
    EXPECT_EQ(transfers.back().status, 206);
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedDownloadTest, ::testing::Values(SIGTERM, SIGKILL),
                         [](const auto& info) { return info.param == SIGTERM ? "Stopped" : "Killed"; });

}  // namespace
