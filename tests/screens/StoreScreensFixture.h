#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "BrowseFixture.h"
#include "ui/app/TreeQuery.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/scenes/PopupBox.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

// The store signed in and on its main menu (configuration answered), with
// the helpers the search, settings, feedback and About tests share.
class StoreScreensFixture : public BrowseFixture {
protected:
    void SetUp() override {
        BrowseFixture::SetUp();
        if (HasFatalFailure()) return;
        menu = OpenMenu();
        ASSERT_EQ(Kestrum::Instance().configPending, 0);
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

    // "config" requests the catalog has answered.
    static int Configs() { return server->Requests("config"); }

    MainMenuScene* menu = nullptr;
};
