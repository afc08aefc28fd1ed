#include "screens/SettingsPlaceholderScene.h"

#include "screens/SignInForm.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"

using namespace signin;

void SettingsPlaceholderScene::Build(const shared_ptr<GObject>& root) {
    form = std::make_unique<SignInForm>(host, *root, Str(3000), Str(1000));
    form->Finish();
}

void SettingsPlaceholderScene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    host->GetSoftKeys().SetSoftKey(0, Str(4));
    host->GetSoftKeys().SetSoftKey(1, Str(5));
}

void SettingsPlaceholderScene::OnRightSoftKey() {
    if (mainMenu) host->PushScene(mainMenu());
}
