#include "screens/ScreenLinks.h"

#include "screens/AboutScene.h"
#include "screens/AppDetailsScene.h"
#include "screens/FeedbackScene.h"
#include "screens/MyAppsScene.h"
#include "screens/SearchScene.h"
#include "screens/SettingsScene.h"
#include "ui/scenes/SceneHost.h"

namespace screenlinks {

namespace {

void Push(SceneHost* host, Scene* scene) { host->PushScene(shared_ptr<Scene>(scene)); }

}  // namespace

void OpenAppDetails(SceneHost* host, const std::u16string& title, const std::u16string& backText, int32_t appId) {
    Push(host, new AppDetailsScene(host, title, backText, appId));
}

void OpenFeedback(SceneHost* host, const std::u16string& appName, int32_t appId) {
    Push(host, new FeedbackScene(host, appName, appId));
}

void OpenSearch(SceneHost* host) { Push(host, new SearchScene(host)); }
void OpenMyApps(SceneHost* host, const std::u16string& backText) { Push(host, new MyAppsScene(host, backText)); }
void OpenSettings(SceneHost* host) { Push(host, new SettingsScene(host, false)); }
void OpenAbout(SceneHost* host) { Push(host, new AboutScene(host)); }

}  // namespace screenlinks
