#pragma once
#include <cstdint>

#include "screens/ChoiceListScene.h"

class SettingsScene;

// One of the lists Settings opens to pick a value (language, edition,
// screen class): its header leads back to Settings, a choice is handed to
// the Settings screen, which refreshes, and the list closes.
class SettingsChoiceScene : public ChoiceListScene {
public:
    SettingsChoiceScene(SceneHost* host, shared_ptr<SettingsScene> settings, int32_t title);
    void OnChoose(int index) final;

protected:
    // Stores row `index` through the Settings screen.
    virtual void Store(SettingsScene& settings, int index) = 0;

private:
    shared_ptr<SettingsScene> settings;
};
