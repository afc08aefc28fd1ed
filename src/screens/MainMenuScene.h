#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/ScopedSubscription.h"
#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

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

    // Asked whether to leave the program (right soft key); true closes it.
    using QuitProgram = std::function<void()>;

    explicit MainMenuScene(SceneHost* host, TakePendingAppId takePendingAppId = {}, QuitProgram quit = {});
    ~MainMenuScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    // The menu is the active scene again: soft keys, and "config" when pending.
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    // Off the stack: the returns to the main menu have no target any more.
    void OnRemoved(const shared_ptr<GObject>& root) override;
    void OnLeftSoftKey() override;
    void OnRightSoftKey() override;

    bool ConfigPending() const { return config.Pending(); }
    const shared_ptr<HttpRequest>& ConfigJob() const { return config.Job(); }
    // The bubble on the My applications row (null before the first build).
    const shared_ptr<widgets::ImageLabel>& Bubble() const { return bubble; }

    // Menu rows in order; the string number is the row's text.
    enum class Row { New, Top, Categories, Search, MyApps, Settings };

private:
    void SendConfig();
    void OnConfigDone(HttpRequest* request, bool ok);
    void OpenPendingApp();
    void OnUpdatesChanged();
    void OnRowTouched(shared_ptr<GObject>& row, const Touch& touch);
    void Open(Row row);

    ScreenRequest config;
    TakePendingAppId takePendingAppId;
    QuitProgram quit;
    shared_ptr<widgets::ImageLabel> bubble;
    ScopedSubscription updates;
    std::vector<ScopedSubscription> rowTaps;
};
