#include "screens/ChooseOsScene.h"

#include "core/Kestrum.h"
#include "screens/SettingsScene.h"

std::vector<std::u16string> ChooseOsScene::Entries() const {
    std::vector<std::u16string> entries;
    for (const EditionRow& row : EditionTable()) entries.push_back(row.name);
    return entries;
}

int ChooseOsScene::Choice() const { return EditionIndex(Kestrum::Instance().currentProfile.osver); }

void ChooseOsScene::Store(SettingsScene& settings, int index) { settings.SetEdition(index); }
