#pragma once
#include <functional>
#include <memory>

#include "screens/SignInForm.h"
#include "ui/scenes/Scene.h"

// Settings in its first-run form, until the settings screen itself exists:
// its title and header, "back" on the left soft key and, on the right one,
// the way on into the main menu.
class SettingsPlaceholderScene : public Scene {
public:
    using MainMenuFactory = std::function<shared_ptr<Scene>()>;
    SettingsPlaceholderScene(SceneHost* host, MainMenuFactory mainMenu) : Scene(host), mainMenu(std::move(mainMenu)) {}

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;

private:
    MainMenuFactory mainMenu;
    std::unique_ptr<SignInForm> form;
};
