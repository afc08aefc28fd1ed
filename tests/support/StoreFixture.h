#pragma once
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "apps/AppManager.h"
#include "apps/PackageTrust.h"
#include "formats/PackageStatement.h"
#include "core/Kestrum.h"
#include "core/PlainAppServices.h"
#include "i18n/Localization.h"
#include "net/ApiUrl.h"
#include "net/InetManager.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"

// The store logic on a fresh emulated device made by devicectl: the store's
// state reset, the plain application services in place, the application
// manager started on the device. The catalog is at `baseUrl` (nothing listens
// there unless a test starts a catalog).
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        root = std::filesystem::temp_directory_path() /
               ("tobrix-apps-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(root);
        ASSERT_EQ(RunHost(DEVICECTL_PATH, {"create", root.string(), "--profile", "wm65-vga"}), 0);
        // What the store's own package would write: the catalog's key.
        ASSERT_EQ(RunHost(DEVICECTL_PATH, {"trust", root.string(), TOBRIX_SOURCE_DIR "/data/keys/demo-signing.key.pub"}), 0);
        std::string error;
        auto device = platform::DeviceRoot::Open(root, &error);
        ASSERT_TRUE(device) << error;
        platform::SetCurrentDevice(*device);
        ::setenv("TOBRIX_DEVICE_ROOT", root.c_str(), 1);
        registry = platform::Registry::Current();
        ASSERT_TRUE(registry);
        StartStore();
    }

    void TearDown() override {
        EXPECT_TRUE(WaitIdle());
        {
            std::lock_guard ui(services.UILock());
            Kestrum::Instance().SetApplication(nullptr);
        }
        AppManager::Instance().Reset();
        registry.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    // The store as at start-up on the current device.
    void StartStore() {
        Localization::Instance().Load(std::filesystem::path(TOBRIX_SOURCE_DIR) / "data" / "localization.xml");
        Kestrum::Instance().Reset();
        Kestrum::Instance().SetApplication(&services);
        SetCatalogBaseUrl(baseUrl);
        AppManager::Instance().Reset();
        // A broken download tries again at once: no test waits for pauses.
        InetManager::Limits limits = InetManager::Instance().GetLimits();
        limits.retry = RetryPolicy{3, std::chrono::milliseconds(20), std::chrono::milliseconds(100)};
        InetManager::Instance().SetLimits(limits);
    }

    // Until no request, download, install or uninstall is left.
    bool WaitIdle(std::chrono::seconds limit = std::chrono::seconds(60)) {
        return AppManager::Instance().WaitUntilQuiet(limit);
    }

    // Signs the record's statement (its id, sysid, revision, version and
    // package fields) with the demo key, as the catalog would have: for
    // records a test makes or changes by hand.
    static void SignAsCatalog(App& app) {
        const auto key = formats::ParseSecretKey(
            ReadAll(TOBRIX_SOURCE_DIR "/data/keys/demo-signing.key"));
        ASSERT_TRUE(key);
        app.packageKey = formats::KeyIdOf(key->publicKey);
        app.packageSignature = formats::SignStatement(apps::AnnouncedStatement(app), *key);
        ASSERT_FALSE(app.packageSignature.empty()) << "the record's fields cannot be stated";
    }

    std::filesystem::path Host(const std::u16string& devicePath) const {
        return *platform::CurrentDevice().HostPath(devicePath);
    }
    void WriteFile(const std::u16string& devicePath, const std::string& content) {
        auto host = Host(devicePath);
        std::filesystem::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary) << content;
    }
    // A package as another installer would leave it: the key and its programs.
    void FakeInstalled(const std::u16string& sysid, const std::vector<std::u16string>& exes, int revision = 0) {
        auto key = registry->CreateKey(platform::Hive::LocalMachine, u"Security\\AppInstall\\" + sysid);
        auto files = key->CreateSubkey(u"ExecutableFiles");
        for (const auto& e : exes) files->WriteString(e, u"");
        if (revision) key->WriteDword(u"TobrixRevision", static_cast<uint32_t>(revision));
    }

    std::filesystem::path root;
    std::shared_ptr<platform::Registry> registry;
    PlainAppServices services;
    std::u16string baseUrl = u"http://127.0.0.1:9/";  // the discard port: nothing answers
};

// The store logic against one catalogd for the whole suite, which the
// store's base URL points at.
class CatalogStoreFixture : public StoreFixture {
protected:
    static void SetUpTestSuite() { catalog = new CatalogServer(); }
    static void TearDownTestSuite() {
        delete catalog;
        catalog = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(catalog->Running()) << catalog->Error();
        baseUrl = catalog->BaseUrl();
        StoreFixture::SetUp();
    }

    static inline CatalogServer* catalog = nullptr;
};

// Every StatusChanged report of the records it watches, in order.
class StatusLog {
public:
    using Report = std::tuple<App::AppStatusType, bool, bool>;  // kind, finished, success

    void Watch(App& app) {
        SubscribeFn(app.StatusChanged, [this](App*, App::AppStatusType kind, bool finished, double progress,
                                              bool success) {
            std::lock_guard lock(mutex);
            reports.emplace_back(kind, finished, success);
            if (kind == App::StatusDownload && !finished) progresses.push_back(progress);
        });
    }
    std::vector<Report> Reports() {
        std::lock_guard lock(mutex);
        return reports;
    }
    std::vector<double> Progresses() {
        std::lock_guard lock(mutex);
        return progresses;
    }
    // The result of the last finished report of `kind`, or nullopt.
    std::optional<bool> Result(App::AppStatusType kind) {
        std::lock_guard lock(mutex);
        for (auto it = reports.rbegin(); it != reports.rend(); ++it)
            if (std::get<0>(*it) == kind && std::get<1>(*it)) return std::get<2>(*it);
        return std::nullopt;
    }

private:
    std::mutex mutex;
    std::vector<Report> reports;
    std::vector<double> progresses;
};
