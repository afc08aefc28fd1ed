#pragma once
#include "screens/SettingsChoiceScene.h"

// The interface language, from the languages of the texts file. A new
// language rebuilds every screen's texts at once.
class ChooseLanguageScene : public SettingsChoiceScene {
public:
    ChooseLanguageScene(SceneHost* host, shared_ptr<SettingsScene> settings);

protected:
    std::vector<std::u16string> Entries() const override;
    int Choice() const override;
    void Store(SettingsScene& settings, int index) override;

private:
    std::vector<std::u16string> names;
};
