#pragma once
#include <algorithm>
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
#include "ui/app/TreeQuery.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

// The store on a fresh devicectl device of each profile, signed in as the
// demo account of the seeded catalogd on loopback, which the whole program
// shares; with the helpers its screen tests share.
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

    template <class S>
    S* Top() {
        std::lock_guard ui(net::UILock());
        return dynamic_cast<S*>(store->App().TopScene());
    }

    void Tap(const std::u16string& label) {
        Reveal(label);
        ASSERT_TRUE(store->TapText(label)) << text::Utf16ToUtf8(label) << " is not on screen";
    }

    // Scrolls the top scene's list, as a finger would, until the label with
    // this text is in view (near the top of the list).
    void Reveal(const std::u16string& label) {
        {
            std::lock_guard ui(net::UILock());
            Scene* top = store->App().TopScene();
            if (!top || !top->GetRoot()) return;
            shared_ptr<GObject> body;
            if (!top->GetRoot()->FindChildById(-91, body)) return;
            auto* view = dynamic_cast<widgets::ScrollView*>(body.get());
            if (!view) return;
            GObject* content = view->GetContent().get();
            GObject* found = FindAnyLabel(*content, label);
            if (!found) return;
            Rect shown;
            if (treequery::VisibleArea(*found, shown) && shown.height == found->Height()) return;
            int y = 0;
            for (GObject* o = found; o && o != content;) {
                y += o->Y();
                if (!o->GetParent(o)) break;
            }
            const int most = std::max(0, content->Height() - view->Height());
            content->SetPosition(0, -std::min(most, std::max(0, y - view->Height() / 3)));
        }
        store->Settle();
    }

    static GObject* FindAnyLabel(GObject& from, const std::u16string& text) {
        std::u16string t;
        if (treequery::LabelText(from, t) && t == text) return &from;
        for (const auto& child : from.Children())
            if (GObject* hit = FindAnyLabel(*child, text)) return hit;
        return nullptr;
    }
    void Tap(int32_t string) { Tap(Str(string)); }

    bool ShowsText(const std::u16string& t) {
        Reveal(t);
        const auto texts = store->ShownTexts();
        return std::find(texts.begin(), texts.end(), t) != texts.end();
    }

    // The common error message for `code` is open; closing it answers it.
    void ExpectError(int32_t code) {
        EXPECT_TRUE(store->PopupOpen());
        EXPECT_TRUE(ShowsText(Str(code))) << code;
        store->SoftKey(true);
    }

    static std::u16string Str(int32_t n) { return Localization::Instance().Text(n); }

    // A whole answer, fetched beside the screens.
    static std::string Get(const std::u16string& url) { return StoreHarness::FetchBeside(url).value_or(""); }

    static inline std::unique_ptr<CatalogServer> server;
    std::unique_ptr<StoreDevice> device;
    std::unique_ptr<StoreHarness> store;
};
