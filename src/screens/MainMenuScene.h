#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"

class App;

// The first screen after sign-in: the six ways into the catalog, the update
// bubble on "My applications", and the device configuration the catalog needs
// before it is used. Each time the menu comes on top with the configuration
// pending it sends "config"; the accepted answer starts the update check and
// opens an application handed over on the command line.
class MainMenuScene : public Scene {
public:
    // Hands over (and clears) the application id the program was started
    // with, as decimal text; empty when there is none.
    using TakePendingAppId = std::function<std::u16string()>;

    explicit MainMenuScene(SceneHost* host, TakePendingAppId takePendingAppId = {});
    ~MainMenuScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    // The menu is the active scene again: soft keys, and "config" when pending.
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnLeftSoftKey() override;

    bool ConfigPending() const { return config.Pending(); }

private:
    void SendConfig();
    void OnConfigDone(HttpRequest* request, bool ok);
    void OpenPendingApp();
    void OnUpdatesChanged();

    ScreenRequest config;
    TakePendingAppId takePendingAppId;
};
