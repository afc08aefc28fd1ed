#pragma once
#include "screens/SettingsChoiceScene.h"

// The screen class the catalog is told, from the screen class table.
class ChooseScreenScene : public SettingsChoiceScene {
public:
    ChooseScreenScene(SceneHost* host, shared_ptr<SettingsScene> settings)
        : SettingsChoiceScene(host, std::move(settings), 3017) {}

protected:
    std::vector<std::u16string> Entries() const override;
    int Choice() const override;
    void Store(SettingsScene& settings, int index) override;
};
