#pragma once
#include "screens/ChoiceListScene.h"

class SettingsScene;

// The operating-system edition the catalog is told, from the edition table.
class ChooseOsScene : public ChoiceListScene {
public:
    ChooseOsScene(SceneHost* host, shared_ptr<SettingsScene> settings);
    void OnChoose(int index) override;

protected:
    std::vector<std::u16string> Entries() const override;
    int Choice() const override;

private:
    shared_ptr<SettingsScene> settings;
};
