#include "screens/ChooseScreenScene.h"

#include "core/Kestrum.h"
#include "screens/SettingsScene.h"

std::vector<std::u16string> ChooseScreenScene::Entries() const {
    std::vector<std::u16string> entries;
    for (const ScreenRow& row : ScreenTable()) entries.push_back(row.name);
    return entries;
}

int ChooseScreenScene::Choice() const {
    const DeviceProfile& p = Kestrum::Instance().currentProfile;
    return ScreenIndex(p.width, p.height);
}

void ChooseScreenScene::Store(SettingsScene& settings, int index) { settings.SetScreen(index); }
