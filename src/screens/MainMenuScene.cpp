#include "screens/MainMenuScene.h"

#include "apps/AppManager.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/XMLResponse.h"
#include "screens/PlaceholderScene.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

}  // namespace

MainMenuScene::MainMenuScene(SceneHost* h, TakePendingAppId take) : Scene(h), takePendingAppId(std::move(take)) {
    Subscribe(AppManager::Instance().UpdatesChanged, this, &MainMenuScene::OnUpdatesChanged);
    if (host) host->SetMainMenuScene(this);
}

MainMenuScene::~MainMenuScene() {
    config.Drop();
    Unsubscribe(AppManager::Instance().UpdatesChanged, this, &MainMenuScene::OnUpdatesChanged);
    if (host) host->SetMainMenuScene(nullptr);
}

void MainMenuScene::Build(const shared_ptr<GObject>& /*root*/) {}

void MainMenuScene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    if (!host) return;
    host->GetSoftKeys().SetSoftKey(0, Str(13000));
    host->GetSoftKeys().SetSoftKey(1, Str(6));
    if (Kestrum::Instance().configPending && !config.Pending()) SendConfig();
}

void MainMenuScene::OnLeftSoftKey() {
    host->PushScene(shared_ptr<Scene>(new PlaceholderScene(host, 13000, 5000)));
}

void MainMenuScene::SendConfig() {
    Kestrum& k = Kestrum::Instance();
    host->SetInputEnabled(false);
    const std::u16string url = api::Config(ApiContext::Current(), Localization::Instance().CurrentLanguage(), k.currentProfile);
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
    // must not replace the detected one (it would be saved at exit).
    if (!(k.previousProfile == DeviceProfile())) k.currentProfile = k.previousProfile;
    XMLResponse::ShowError(code);
}

void MainMenuScene::OpenPendingApp() {
    if (!takePendingAppId) return;
    const std::u16string idText = takePendingAppId();
    int32_t id = 0;
    if (idText.empty() || !text::ParseInt(idText, id)) return;
    host->PushScene(shared_ptr<Scene>(new PlaceholderScene(host, std::u16string(), Str(4))));
}

void MainMenuScene::OnUpdatesChanged() {}
