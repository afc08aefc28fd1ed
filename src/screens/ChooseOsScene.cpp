#include "screens/ChooseOsScene.h"

#include "core/Kestrum.h"
#include "screens/SettingsScene.h"
#include "ui/scenes/SceneHost.h"

ChooseOsScene::ChooseOsScene(SceneHost* h, shared_ptr<SettingsScene> s)
    : ChoiceListScene(h, 3016, 3000), settings(std::move(s)) {}

std::vector<std::u16string> ChooseOsScene::Entries() const {
    std::vector<std::u16string> entries;
    for (const EditionRow& row : EditionTable()) entries.push_back(row.name);
    return entries;
}

int ChooseOsScene::Choice() const { return EditionIndex(Kestrum::Instance().currentProfile.osver); }

void ChooseOsScene::OnChoose(int index) {
    settings->SetEdition(index);
    host->Back();
}
