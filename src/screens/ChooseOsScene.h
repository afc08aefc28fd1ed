#pragma once
#include "screens/SettingsChoiceScene.h"

// The operating-system edition the catalog is told, from the edition table.
class ChooseOsScene : public SettingsChoiceScene {
public:
    ChooseOsScene(SceneHost* host, shared_ptr<SettingsScene> settings)
        : SettingsChoiceScene(host, std::move(settings), 3016) {}

protected:
    std::vector<std::u16string> Entries() const override;
    int Choice() const override;
    void Store(SettingsScene& settings, int index) override;
};
