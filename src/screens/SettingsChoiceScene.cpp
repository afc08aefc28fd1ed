#include "screens/SettingsChoiceScene.h"

#include "screens/SettingsScene.h"
#include "ui/scenes/SceneHost.h"

namespace {
constexpr int32_t kBackToSettings = 3000;
}

SettingsChoiceScene::SettingsChoiceScene(SceneHost* h, shared_ptr<SettingsScene> s, int32_t title)
    : ChoiceListScene(h, title, kBackToSettings), settings(std::move(s)) {}

void SettingsChoiceScene::OnChoose(int index) {
    Store(*settings, index);
    host->Back();
}
