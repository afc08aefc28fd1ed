#include "screens/ScreenLinks.h"

#include "screens/AppDetailsScene.h"
#include "screens/MyAppsScene.h"
#include "screens/PlaceholderScene.h"
#include "ui/scenes/SceneHost.h"
#include "i18n/Localization.h"

namespace screenlinks {

namespace {

constexpr int32_t kMainMenu = 5000;

void Push(SceneHost* host, Scene* scene) { host->PushScene(shared_ptr<Scene>(scene)); }

}  // namespace

void OpenAppDetails(SceneHost* host, const std::u16string& title, const std::u16string& backText, int32_t appId) {
    Push(host, new AppDetailsScene(host, title, backText, appId));
}

void OpenFeedback(SceneHost* host, const std::u16string& appName, int32_t /*appId*/) {
    Push(host, new PlaceholderScene(host, Localization::Instance().Text(10007), appName));
}

void OpenSearch(SceneHost* host) { Push(host, new PlaceholderScene(host, 5003, kMainMenu)); }
void OpenMyApps(SceneHost* host) { Push(host, new MyAppsScene(host)); }
void OpenSettings(SceneHost* host) { Push(host, new PlaceholderScene(host, 5005, kMainMenu)); }
void OpenAbout(SceneHost* host) { Push(host, new PlaceholderScene(host, 13000, kMainMenu)); }

}  // namespace screenlinks
