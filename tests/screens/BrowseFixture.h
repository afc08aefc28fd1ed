#pragma once
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/CatalogServer.h"
#include "support/StoreHarness.h"
#include "apps/AppManager.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "net/XMLCatalogResponses.h"
#include "screens/MainMenuScene.h"

// The store on a fresh devicectl device of each profile, signed in as the
// demo account of the seeded catalogd on loopback, which the whole program
// shares.
class BrowseFixture : public ::testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() { server = std::make_unique<CatalogServer>(); }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server->Running()) << server->Error();
        device = std::make_unique<StoreDevice>(GetParam());
        store = std::make_unique<StoreHarness>(*device, server->BaseUrl());
        const std::string body = Get(api::Auth(ApiContext::Current(), u"demo", u"demo"));
        std::u16string session;
        XMLResponse_Auth auth(&session);
        std::lock_guard ui(net::UILock());
        ASSERT_EQ(auth.Parse(body.data(), body.size()), 0) << body;
        Kestrum::Instance().SetSessionId(session);
    }

    void TearDown() override {
        store.reset();
        device.reset();
    }

    // The main menu, as a successful sign-in opens it, once its
    // configuration has been answered.
    MainMenuScene* OpenMenu() {
        KestrumApp* app = &store->App();
        shared_ptr<MainMenuScene> menu(new MainMenuScene(app, [app] { return app->TakePendingAppId(); }));
        store->Push(menu);
        return menu.get();
    }

    // A whole answer, fetched beside the screens.
    static std::string Get(const std::u16string& url) { return StoreHarness::FetchBeside(url).value_or(""); }

    static inline std::unique_ptr<CatalogServer> server;
    std::unique_ptr<StoreDevice> device;
    std::unique_ptr<StoreHarness> store;
};
