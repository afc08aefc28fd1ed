#pragma once
#include "screens/ChoiceListScene.h"

class SettingsScene;

// The screen class the catalog is told, from the screen class table.
class ChooseScreenScene : public ChoiceListScene {
public:
    ChooseScreenScene(SceneHost* host, shared_ptr<SettingsScene> settings);
    void OnChoose(int index) override;

protected:
    std::vector<std::u16string> Entries() const override;
    int Choice() const override;

private:
    shared_ptr<SettingsScene> settings;
};
