// The store's life on a device, as a user meets it: its own package
// installed by the device's installer, the program started through the
// Start-menu shortcut, and the store updating itself when the catalog
// publishes a newer one. (Links and their hand-over to a running store are
// the shell's ProgramTest; the package's own entries and its removal,
// setup_tests.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"

namespace {

namespace fs = std::filesystem;
using platform::Hive;

constexpr const char16_t* kShortcut = u"\\Windows\\Start Menu\\Programs\\Tobrix.lnk";
constexpr const char16_t* kSelfKey = u"\\Software\\Tobrix";
constexpr const char16_t* kSelfPackageKey = u"\\Security\\AppInstall\\Quelt Tobrix";
constexpr int kNewerStore = 18; // newer than the revision the package records
// A bound for the store's own update on a slow, loaded machine, inside the
// five minutes a test may take.
constexpr int kUpdateSeconds = 240;

// Waits for a started program at most `seconds`; kills it after that. The
// exit code, or -2 when it had to be killed.
int WaitBounded(platform::Process& process, int seconds = 120) {
    pid_t pid = process.Id();
    const int code = WaitForExit(pid, std::chrono::seconds(seconds));
    process.Detach();  // reaped here already
    return code;
}

// A script the running store reads as it is written, on its standard input:
// a named pipe that the test keeps open for writing.
class LiveScript {
public:
    explicit LiveScript(const fs::path& path) : path(path) {
        if (::mkfifo(path.c_str(), 0600) == 0) fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    // Runs `start` with the pipe as this process's standard input, which the
    // programs it starts inherit.
    template <class F>
    void AsStandardInput(F start) const {
        const int saved = ::dup(0);
        const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(in, 0);
        ::dup2(in, 0);
        ::close(in);
        start();
        ::dup2(saved, 0);
        ::close(saved);
    }
    ~LiveScript() { Close(); }
    bool Ready() const { return fd >= 0; }
    void Say(const std::string& lines) const {
        ASSERT_EQ(::write(fd, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
    }
    void Close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    const fs::path path;

private:
    int fd = -1;
};

class StoreLife : public ::testing::Test {
protected:
    void SetUp() override {
        // Message boxes of the installer must never wait for a terminal.
        ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
        ASSERT_TRUE(catalog.Running()) << catalog.Error();
        // A root of its own per test: the registry connection of a device
        // this process used stays open, and must not meet a new database
        // under the old name.
        static int counter = 0;
        root = fs::temp_directory_path() /
               ("tobrix-life-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(root);
        ASSERT_NO_THROW(InstallStoreDevice(root));
        auto device = platform::DeviceRoot::Open(root);
        ASSERT_TRUE(device);
        // A store the device starts takes no options: it finds its catalog
        // in the device's description.
        device->MutableInfo().catalogUrl = U8(catalog.BaseUrl());
        ASSERT_TRUE(device->Save());
        platform::SetCurrentDevice(*device);
        fs::create_directories(Scratch(""));
        RememberDemoAccount();
    }
    void TearDown() override {
        ::unsetenv("TOBRIX_HEADLESS_SCRIPT");
        platform::ClearCurrentDevice();
        std::error_code ec;
        fs::remove_all(root, ec);
        for (const auto& file : published) fs::remove(file, ec);
    }

    // Signing in then takes one key: the credentials are in settings.dat.
    void RememberDemoAccount() {
        Kestrum& k = Kestrum::Instance();
        k.Reset();
        k.savedLogin = k.sessionLogin = u"demo";
        k.savedPassword = k.sessionPassword = u"demo";
        ASSERT_TRUE(k.SaveSettings(ProgramFile("settings.dat")));
        k.Reset();
    }

    fs::path ProgramFile(const std::string& name) const { return root / "Program Files" / "Tobrix" / name; }
    fs::path Scratch(const std::string& name) const { return root / "scratch" / name; }
    std::string Dump(const std::string& name) const { return "dump-tree " + Scratch(name + ".json").string() + "\n"; }
    nlohmann::json Tree(const std::string& name) const { return ReadTree(Scratch(name + ".json")); }

    // Opens `what` as the device's shell does, with the started store running
    // headless on `script`.
    platform::Process Open(const std::u16string& what, const fs::path& script) {
        ::setenv("TOBRIX_HEADLESS_SCRIPT", script.c_str(), 1);
        platform::Process started;
        EXPECT_TRUE(platform::ShellExecute(u"open", what, {}, &started)) << U8(what);
        return started;
    }
    platform::Process OpenLive(const std::u16string& what, const LiveScript& script) {
        platform::Process started;
        script.AsStandardInput([&] { started = Open(what, "-"); });
        return started;
    }

    uint32_t StoreRevision() const {
        uint32_t revision = 0;
        if (auto key = platform::OpenRegistryKey(Hive::LocalMachine, kSelfKey))
            key->ReadDword(u"TobrixRevision", revision);
        return revision;
    }

    // Makes the catalog offer the package the build made as a newer store.
    void PublishNewerStore() {
        const fs::path packages = catalog.Assets() / "packages";
        std::set<fs::path> before;
        for (const auto& e : fs::directory_iterator(packages)) before.insert(e.path());
        int code = -1;
        RunCapture(CATALOGD_PATH,
                   {"publish", "--db", catalog.DbPath().string(), "--sysid", "Quelt Tobrix", "--revision",
                    std::to_string(kNewerStore), "--version", "9.7", "--cab", STORE_PACKAGE},
                   &code);
        for (const auto& e : fs::directory_iterator(packages))
            if (!before.count(e.path())) published.push_back(e.path());
        ASSERT_EQ(code, 0);
    }

    CatalogServer catalog;
    fs::path root;
    std::vector<fs::path> published;
};

TEST_F(StoreLife, UpdatesItselfFromTheCatalogKeepingItsSettings) {
    ASSERT_EQ(StoreRevision(), 17u) << "the installed package records its revision";
    ASSERT_TRUE(platform::OpenRegistryKey(Hive::LocalMachine, kSelfKey)->WriteString(u"Theme", u"dark"));
    PublishNewerStore();

    // Signed in, the store finds itself outdated and asks once; yes updates.
    LiveScript script(Scratch("update.fifo"));
    ASSERT_TRUE(script.Ready());
    platform::Process store = OpenLive(kShortcut, script);
    // Downloading and installing the store takes what the machine gives it:
    // the script waits for the update to be done, however long that is
    // within the test's own bound.
    script.Say("wait-idle\nkey soft1\nwait-idle\n" + Dump("offer") + "key soft1\nwait-idle " +
               std::to_string(kUpdateSeconds) + "\n" + Dump("updated") + "quit\n");
    script.Close();
    ASSERT_EQ(WaitBounded(store, kUpdateSeconds + 30), 0);
    ASSERT_TRUE(fs::exists(Scratch("updated.json"))) << "the update never ended";

    const auto offer = Tree("offer");
    bool asked = false;
    for (const auto& t : ShownTexts(offer)) asked = asked || t.find("9.7") != std::string::npos;
    EXPECT_TRUE(asked) << "the offer names the new version";
    EXPECT_EQ(StoreRevision(), static_cast<uint32_t>(kNewerStore)) << "the installed catalog revision";
    EXPECT_TRUE(platform::OpenRegistryKey(Hive::LocalMachine, kSelfPackageKey));
    std::u16string theme;
    platform::OpenRegistryKey(Hive::LocalMachine, kSelfKey)->ReadString(u"Theme", theme);
    EXPECT_EQ(theme, u"dark");
    // Removing the old store asked about the settings; nobody answered, so
    // they stayed, and its download folder went with the downloaded store.
    EXPECT_NE(ReadAll(root / "msgbox.log").find("Do you want to keep settings for future installations?\tyes\tdefault"),
              std::string::npos)
        << ReadAll(root / "msgbox.log");
    Kestrum& k = Kestrum::Instance();
    k.Reset();
    k.LoadSettings(ProgramFile("settings.dat"));
    EXPECT_EQ(k.savedLogin, u"demo");
    k.Reset();
    EXPECT_TRUE(fs::exists(ProgramFile("Tobrix.exe")));
    EXPECT_TRUE(fs::exists(root / "Windows" / "Start Menu" / "Programs" / "Tobrix.lnk"));
}

}  // namespace
