#include "screens/SettingsChoiceScene.h"

#include "i18n/TextIds.h"
#include "screens/SettingsScene.h"
#include "ui/scenes/SceneHost.h"

SettingsChoiceScene::SettingsChoiceScene(SceneHost* h, shared_ptr<SettingsScene> s, int32_t title)
    : ChoiceListScene(h, title, textid::kSettings), settings(std::move(s)) {}

void SettingsChoiceScene::OnChoose(int index) {
    Store(*settings, index);
    host->Back();
}
