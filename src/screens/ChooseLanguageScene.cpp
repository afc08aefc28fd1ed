#include "screens/ChooseLanguageScene.h"

#include <algorithm>

#include "i18n/Localization.h"
#include "screens/SettingsScene.h"

ChooseLanguageScene::ChooseLanguageScene(SceneHost* h, shared_ptr<SettingsScene> s)
    : SettingsChoiceScene(h, std::move(s), 3015), names(SettingsScene::LanguageNames()) {}

std::vector<std::u16string> ChooseLanguageScene::Entries() const {
    const auto& languages = Localization::Instance().Languages();
    std::vector<std::u16string> titles;
    for (const auto& name : names) titles.push_back(languages.at(name).title);
    return titles;
}

int ChooseLanguageScene::Choice() const {
    const auto at = std::find(names.begin(), names.end(), Localization::Instance().CurrentLanguage());
    return at == names.end() ? 0 : static_cast<int>(at - names.begin());
}

void ChooseLanguageScene::Store(SettingsScene& settings, int index) {
    if (index >= 0 && static_cast<size_t>(index) < names.size()) settings.SetLanguage(names[static_cast<size_t>(index)]);
}
