#pragma once
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "../apps/CatalogServer.h"
#include "SceneHarness.h"
#include "apps/AppManager.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "net/XMLCatalogResponses.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "platform/system/SystemInfo.h"
#include "ui/ImagePool.h"
#include "ui/layouts/LayoutMetrics.h"

// The screens on a fresh emulated device (devicectl, with the store's skin
// in its program folder) against the seeded catalogd on loopback, signed in
// as the demo account. The catalog server is shared by the whole program.
class BrowseFixture : public ::testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() { server = std::make_unique<CatalogServer>(); }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server->Running()) << server->Error();
        static std::atomic<int> counter{0};
        root = std::filesystem::temp_directory_path() /
               ("tobrix-browse-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(root);
        ASSERT_EQ(RunHost(DEVICECTL_PATH, {"create", root.string(), "--profile", GetParam()}), 0);
        const auto program = root / "Program Files" / "Tobrix";
        std::filesystem::create_directories(program);
        for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(TOBRIX_SOURCE_DIR) / "data" / "skin"))
            if (e.path().extension() == ".png") std::filesystem::copy_file(e.path(), program / e.path().filename());
        std::string error;
        auto device = platform::DeviceRoot::Open(root, &error);
        ASSERT_TRUE(device) << error;
        platform::SetCurrentDevice(*device);
        ::setenv("TOBRIX_DEVICE_ROOT", root.c_str(), 1);
        LayoutMetrics::Set(LayoutMetrics::FromPlatform());
        ImagePool::Instance().Clear();
        ImagePool::Instance().SetBaseFolder(u"\\Program Files\\Tobrix\\");
        Localization::Instance().Load(std::filesystem::path(TOBRIX_SOURCE_DIR) / "data" / "localization.xml", u"0409");
        StartStore();
    }

    void TearDown() override {
        InetManager::Instance().WaitIdle(std::chrono::seconds(30));
        AppManager::Instance().WaitIdle(std::chrono::seconds(30));
        {
            std::lock_guard ui(net::UILock());
            Kestrum::Instance().SetApplication(nullptr);
        }
        harness.reset();
        AppManager::Instance().Reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    // The store as after a successful sign-in, on a screen of the device's size.
    void StartStore() {
        platform::ScreenMetrics metrics;
        ASSERT_TRUE(platform::GetScreenMetrics(metrics));
        harness = std::make_unique<SceneHarness>(metrics.width, metrics.height);
        Kestrum::Instance().Reset();
        Kestrum::Instance().SetApplication(harness.get());
        SetCatalogBaseUrl(server->BaseUrl());
        AppManager::Instance().Reset();
        const std::string body = Get(api::Auth(ApiContext::Current(), u"demo", u"demo"));
        std::u16string session;
        XMLResponse_Auth auth(&session);
        std::lock_guard ui(net::UILock());
        ASSERT_EQ(auth.Parse(body.data(), body.size()), 0) << body;
        Kestrum::Instance().SetSessionId(session);
    }

    // A whole answer, fetched outside the screens.
    static std::string Get(const std::u16string& url) {
        shared_ptr<HttpRequest> job = InetManager::Instance().Add(url, false);
        std::string body;
        {
            std::lock_guard ui(net::UILock());
            SubscribeFn(job->Complete, [&body](HttpRequest* r, bool ok) {
                if (ok && r->Data()) body.assign(r->Data(), r->Size());
            });
        }
        InetManager::Instance().WaitIdle(std::chrono::seconds(30));
        return body;
    }

    static int RunHost(const std::string& program, const std::vector<std::string>& args) {
        platform::SpawnOptions options;
        options.stdoutFile = "/dev/null";
        auto p = platform::SpawnHost(program, args, options);
        int code = -1;
        if (!p || !p->Wait(&code)) return -1;
        return code;
    }

    // Where the screenshots of a run go (kept for people to look at).
    std::filesystem::path Shot(const std::string& name) const {
        auto dir = std::filesystem::path(TOBRIX_BINARY_DIR) / "screenshots" / GetParam();
        std::filesystem::create_directories(dir);
        return dir / (name + ".png");
    }

    static inline std::unique_ptr<CatalogServer> server;
    std::filesystem::path root;
    std::unique_ptr<SceneHarness> harness;
};
