#pragma once
#include "screens/ChoiceListScene.h"

class SettingsScene;

// The interface language, from the languages of the texts file. A new
// language rebuilds every screen's texts at once.
class ChooseLanguageScene : public ChoiceListScene {
public:
    ChooseLanguageScene(SceneHost* host, shared_ptr<SettingsScene> settings);
    void OnChoose(int index) override;

protected:
    std::vector<std::u16string> Entries() const override;
    int Choice() const override;

private:
    shared_ptr<SettingsScene> settings;
    std::vector<std::u16string> names;
};
