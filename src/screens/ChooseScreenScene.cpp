#include "screens/ChooseScreenScene.h"

#include "core/Kestrum.h"
#include "screens/SettingsScene.h"
#include "ui/scenes/SceneHost.h"

ChooseScreenScene::ChooseScreenScene(SceneHost* h, shared_ptr<SettingsScene> s)
    : ChoiceListScene(h, 3017, 3000), settings(std::move(s)) {}

std::vector<std::u16string> ChooseScreenScene::Entries() const {
    std::vector<std::u16string> entries;
    for (const ScreenRow& row : ScreenTable()) entries.push_back(row.name);
    return entries;
}

int ChooseScreenScene::Choice() const {
    const DeviceProfile& p = Kestrum::Instance().currentProfile;
    return ScreenIndex(p.width, p.height);
}

void ChooseScreenScene::OnChoose(int index) {
    settings->SetScreen(index);
    host->Back();
}
