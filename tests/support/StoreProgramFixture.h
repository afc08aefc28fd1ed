#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/CatalogServer.h"
#include "support/Profiles.h"
#include "support/StoreRun.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "platform/device/DeviceRoot.h"

// The tobrix program itself, headless, on a device of the test's profile
// with the store installed, against a seeded catalogd on loopback. The store
// has run before: credentials are remembered, so the sign-in screen needs
// only its first soft key. The device stays the current one for the test's
// own checks (registry, files) until the test ends.
class StoreProgramFixture : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running()) << server.Error();
        device = std::make_unique<StoreDevice>(GetParam(), WithAdStrip());
        platform::SetCurrentDevice(*platform::DeviceRoot::Open(device->Root()));
        Localization::Instance().Load(device->ProgramFile("localization.xml"), u"0409");
        ASSERT_TRUE(RememberDemoSignIn(*device));
    }
    void TearDown() override { platform::ClearCurrentDevice(); }

    bool Small() const { return GetParam() == "wm5-sp-176x220"; }
    // The device keeps its HTML viewer, and the store its advertising strip.
    virtual bool WithAdStrip() const { return false; }

    // Signs in, runs `body`, quits; `extraArgs` go to tobrix's command line.
    StoreRun Run(const CatalogServer& catalog, const std::string& body, std::vector<std::string> extraArgs = {}) {
        return RunStore(*device, "wait-idle\nkey soft1\nwait-idle\n" + body + "quit\n",
                        text::Utf16ToUtf8(catalog.BaseUrl()), std::move(extraArgs));
    }
    StoreRun Run(const std::string& body, std::vector<std::string> extraArgs = {}) {
        return Run(server, body, std::move(extraArgs));
    }

    // Screenshots stay in the build tree, one folder per profile, to be looked at.
    std::string ShotFile(const std::string& name) const {
        auto dir = std::filesystem::path(TOBRIX_BINARY_DIR) / "screenshots" / GetParam();
        std::filesystem::create_directories(dir);
        return (dir / (name + ".png")).string();
    }

    CatalogServer server;
    std::unique_ptr<StoreDevice> device;
};
