#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "../apps/CatalogServer.h"
#include "../shell/StoreRun.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "platform/device/DeviceRoot.h"

// The tobrix program itself, headless, browsing a seeded catalogd: signed in
// with remembered credentials, as a person would use it.
namespace {

class BrowseStoreTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        device = std::make_unique<StoreDevice>(GetParam());
        // A store that has run before: credentials remembered, so the sign-in
        // screen only needs its first soft key.
        platform::SetCurrentDevice(*platform::DeviceRoot::Open(device->Root()));
        Localization::Instance().Load(device->ProgramFile("localization.xml"), u"0409");
        Kestrum& k = Kestrum::Instance();
        k.Reset();
        k.savedLogin = k.sessionLogin = u"demo";
        k.savedPassword = k.sessionPassword = u"demo";
        ASSERT_TRUE(k.SaveSettings(device->ProgramFile("settings.dat")));
        k.Reset();
        platform::ClearCurrentDevice();
    }

    StoreRun Run(const CatalogServer& server, const std::string& body) {
        return RunStore(*device, "wait-idle\nkey soft1\nwait-idle\n" + body + "quit\n",
                        text::Utf16ToUtf8(server.BaseUrl()));
    }

    std::string Shot(const std::string& name) const {
        auto dir = std::filesystem::path(TOBRIX_BINARY_DIR) / "screenshots" / GetParam();
        std::filesystem::create_directories(dir);
        return (dir / ("store-" + name + ".png")).string();
    }

    std::unique_ptr<StoreDevice> device;
};

TEST_P(BrowseStoreTest, SignInLeadsToTheMenuAndTheCatalogLists) {
    CatalogServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    const std::string tree = device->Scratch("tree.json").string();
    StoreRun run = Run(server,
                       "expect-text Main menu\n"
                       "screenshot " + Shot("menu") + "\n"
                       "tap-text Categories\nwait-idle\n"
                       "expect-text All categories\n"
                       "tap-text Games(6)\nwait-idle\n"
                       "expect-text All applications(6)\n"
                       "tap-text All applications(6)\nwait-idle\n"
                       "expect-text By downloads\n"
                       "screenshot " + Shot("games") + "\n"
                       "key soft1\nwait-idle\nkey soft1\nwait-idle\nkey soft1\nwait-idle\n"
                       "tap-text Top\nwait-idle\n"
                       "tap-text Free\nwait-idle\n"
                       "screenshot " + Shot("top-free") + "\n"
                       "dump-tree " + tree + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto texts = ShownTexts(ReadTree(tree));
    EXPECT_TRUE(Shows(ReadTree(tree), "Free"));
    // Every row of the free top list says so.
    int paid = 0, free = 0;
    for (const auto& t : texts) {
        if (t == "Trial" || t == "Demo") ++paid;
        if (t == "Free") ++free;
    }
    EXPECT_EQ(paid, 0);
    EXPECT_GT(free, 2);  // the radio option and at least two rows
}

TEST_P(BrowseStoreTest, ExpiredSessionGoesBackToSignIn) {
    CatalogServer server({"--session-idle", "1"});
    ASSERT_TRUE(server.Running()) << server.Error();
    StoreRun run = Run(server,
                       "expect-text Main menu\n"
                       "sleep 2500\n"
                       "tap-text Top\nwait-idle\n"
                       "expect-text Your session has expired. Please sign in again.\n"
                       "key soft1\nwait-idle\n"
                       "expect-text Sign in\n"
                       "screenshot " + Shot("expired") + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
}

INSTANTIATE_TEST_SUITE_P(Profiles, BrowseStoreTest, ::testing::Values("wm65-vga", "wm5-sp-176x220"),
                         [](const auto& info) { return info.param == "wm65-vga" ? "Vga" : "Smartphone"; });

}  // namespace
