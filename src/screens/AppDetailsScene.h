#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/ScopedSubscription.h"
#include "net/App.h"
#include "net/XMLCatalogResponses.h"
#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"

// One catalog application: icon, publisher, version, description, rating,
// tags and the actions the device allows (install, run, uninstall, update),
// with links to its screenshots, its reviews and the review form. The page
// shows the state found when its answer arrived; it follows no job, and is
// built again only when refreshed (after a rating).
class AppDetailsScene : public Scene {
public:
    // `title` is the application's name when a list knew it (empty when the
    // page is opened by id alone); `backText` names the screen below.
    AppDetailsScene(SceneHost* host, std::u16string title, std::u16string backText, int32_t appId);
    ~AppDetailsScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    bool RefreshOnDataChange() const override { return true; }
    // Back from a screen above (My applications after an install): a page
    // whose actions no longer match the device is asked for again.
    void OnShown() override;

    int32_t AppId() const { return appId; }
    // The application of the last answer (null before it).
    const shared_ptr<App>& GetApp() const { return app; }
    const AppDetailsRecord& Details() const { return details; }

private:
    void OnDetailsDone(HttpRequest* request, bool ok);
    void Fill();
    void AddHead(GObject& page);
    void AddActions(GObject& page);
    void AddRating(GObject& page);
    void AddLinks(GObject& page);
    void AddTags(GObject& page);
    shared_ptr<GObject> AddAction(GObject& page, int32_t id, int32_t text);
    void OnTapped(GObject& object, std::function<void()> action);

    // Whether the application is installed, and at which revision: what the
    // actions offered were chosen from.
    struct InstallState {
        bool installed = false;
        int32_t revision = 0;
        bool operator==(const InstallState&) const = default;
    };
    InstallState CurrentInstallState() const;

    void ConfirmInstall();
    void ConfirmUninstall();
    void ConfirmUpdate();

    std::u16string title;
    std::u16string backText;
    int32_t appId;
    ScreenRequest request;
    shared_ptr<GObject> page;
    shared_ptr<App> app;
    AppDetailsRecord details;
    InstallState shownState;
    std::vector<ScopedSubscription> taps;
};
