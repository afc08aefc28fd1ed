#include "screens/MainMenuScene.h"

#include "apps/AppManager.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/ApiMethods.h"
#include "net/NetServices.h"
#include "net/XMLResponse.h"
#include "screens/AppsScene.h"
#include "screens/CatsScene.h"
#include "screens/ScreenLinks.h"
#include "screens/ScreenParts.h"
#include "ui/FontManager.h"
#include "ui/layouts/TreeItemLayout.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

struct MenuEntry {
    MainMenuScene::Row row;
    const char16_t* icon;
    int32_t text;
};

constexpr MenuEntry kEntries[] = {
    {MainMenuScene::Row::New, u"icon_new.png", 5007},         {MainMenuScene::Row::Top, u"icon_top.png", 5001},
    {MainMenuScene::Row::Categories, u"icon_cats.png", 5002}, {MainMenuScene::Row::Search, u"icon_search.png", 5003},
    {MainMenuScene::Row::MyApps, u"icon_myapps.png", 5004},   {MainMenuScene::Row::Settings, u"icon_settings.png", 5005},
};

constexpr int32_t kAbout = 13000;
constexpr int32_t kExit = 6;
constexpr int32_t kTopListSize = 25;

}  // namespace

MainMenuScene::MainMenuScene(SceneHost* h, TakePendingAppId take, QuitProgram q)
    : Scene(h), takePendingAppId(std::move(take)), quit(std::move(q)) {
    updates = ScopedSubscription::To(nullptr, AppManager::Instance().UpdatesChanged, this,
                                     &MainMenuScene::OnUpdatesChanged);
    host->SetMainMenuScene(this);
}

MainMenuScene::~MainMenuScene() { config.Drop(); }

void MainMenuScene::OnRemoved(const shared_ptr<GObject>& /*root*/) { host->SetMainMenuScene(nullptr); }

void MainMenuScene::Build(const shared_ptr<GObject>& root) {
    rowTaps.clear();
    ScreenParts::AddHeader(*root, host, Str(textid::kMainMenu), u"");
    shared_ptr<GObject> list = ScreenParts::AddList(*root, 4 * ScreenParts::FontUnit());
    for (const MenuEntry& entry : kEntries) {
        auto row = ScreenParts::AddTreeRow(*list, Str(entry.text), entry.icon, u"more_arrow.png");
        row->SetUserValue(static_cast<int32_t>(entry.row));
        rowTaps.push_back(ScopedSubscription::To(row->Touched(), this, &MainMenuScene::OnRowTouched));
        if (entry.row != Row::MyApps) continue;
        // The bubble sits over the icon's corner and counts the updates.
        bubble = shared_ptr<widgets::ImageLabel>(new widgets::ImageLabel());
        bubble->AddImageState(0, SkinFactory::SkinImage(u"bubble.png"));
        bubble->SetStretch(true);
        bubble->SetImageState(0);
        bubble->SetFont(FontManager::Instance().GetFont(600, ScreenParts::FontUnit()));
        bubble->SetColor(0xFFFFFF);
        bubble->SetAlign(widgets::ImageLabel::Centre, widgets::ImageLabel::Middle);
        bubble->SetVisible(false);
        row->AddChild(bubble, TreeItemLayout::Badge);
    }
    OnUpdatesChanged();
}

void MainMenuScene::OnUpdatesChanged() {
    if (!bubble) return;
    const int32_t count = AppManager::Instance().UpdateCount();
    if (count == 0) {
        bubble->SetVisible(false);
        return;
    }
    bubble->SetText(text::ToU16(count));
    bubble->SetVisible(true);
}

void MainMenuScene::OnRowTouched(shared_ptr<GObject>& row, const Touch& touch) {
    if (touch.type != Touch::Click) return;
    Open(static_cast<Row>(row->GetUserValue()));
}

void MainMenuScene::Open(Row row) {
    Category* none = nullptr;
    switch (row) {
    case Row::New:
        host->PushScene(shared_ptr<Scene>(new AppsScene(host, Str(5007), Str(textid::kMainMenu), none, u"", u"", u"",
                                                        kTopListSize, -1, u"", true, true)));
        break;
    case Row::Top:
        host->PushScene(shared_ptr<Scene>(new AppsScene(host, Str(5001), Str(textid::kMainMenu), none, u"", u"", u"",
                                                        kTopListSize, -1, u"", true, false)));
        break;
    case Row::Categories:
        host->PushScene(shared_ptr<Scene>(new CatsScene(host, &Kestrum::Instance().AllCategories(), nullptr)));
        break;
    case Row::Search: screenlinks::OpenSearch(host); break;
    case Row::MyApps: screenlinks::OpenMyApps(host); break;
    case Row::Settings: screenlinks::OpenSettings(host); break;
    }
}

void MainMenuScene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    host->GetSoftKeys().SetSoftKey(0, Str(kAbout));
    host->GetSoftKeys().SetSoftKey(1, Str(kExit));
    if (Kestrum::Instance().configPending && !config.Pending()) SendConfig();
}

void MainMenuScene::OnLeftSoftKey() { screenlinks::OpenAbout(host); }

void MainMenuScene::OnRightSoftKey() {
    // The answer may come after the menu has gone; it only needs the quit hook.
    QuitProgram leave = quit;
    net::Services().AskPopup(textid::kInfoTitle, Str(12), textid::kYes, textid::kNo, [leave](int answer) {
        if (answer == 0 && leave) leave();
    });
}

void MainMenuScene::SendConfig() {
    Kestrum& k = Kestrum::Instance();
    host->SetInputEnabled(false);
    const std::u16string url =
        api::Config(ApiContext::Current(), Localization::Instance().CurrentLanguage(), k.currentProfile);
    config.Start(url, [this](HttpRequest* r, bool ok) { OnConfigDone(r, ok); });
}

void MainMenuScene::OnConfigDone(HttpRequest* request, bool ok) {
    Kestrum& k = Kestrum::Instance();
    k.configPending = 0;
    host->SetInputEnabled(true);
    host->EnableAdvertising();
    host->ShowAdvertising(true);
    host->ReloadAdvertising();
    int32_t code = XMLResponse::kNoAnswer;
    if (ok) {
        XMLResponse_Config answer;
        code = answer.Parse(request->Data(), request->Size());
    }
    if (code == XMLResponse::kSuccess) {
        AppManager::Instance().CheckForUpdates();
        OpenPendingApp();
        return;
    }
    // Back to the profile the service last accepted. Settings takes that copy
    // when it opens; before it ever did there is none, and an empty profile
    // must not replace the detected one (it would be sent and saved at exit).
    if (!(k.previousProfile == DeviceProfile())) k.currentProfile = k.previousProfile;
    XMLResponse::ShowError(code);
}

void MainMenuScene::OpenPendingApp() {
    if (!takePendingAppId) return;
    const std::u16string idText = takePendingAppId();
    int32_t id = 0;
    if (idText.empty() || !text::ParseInt(idText, id)) return;
    screenlinks::OpenAppDetails(host, u"", Str(textid::kBack), id);
}
