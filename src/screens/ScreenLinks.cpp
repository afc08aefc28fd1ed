#include "screens/ScreenLinks.h"

#include "screens/PlaceholderScene.h"
#include "ui/scenes/SceneHost.h"

namespace screenlinks {

namespace {

constexpr int32_t kMainMenu = 5000;

void Push(SceneHost* host, Scene* scene) { host->PushScene(shared_ptr<Scene>(scene)); }

}  // namespace

void OpenAppDetails(SceneHost* host, const std::u16string& title, const std::u16string& backText, int32_t /*appId*/) {
    Push(host, new PlaceholderScene(host, title, backText));
}

void OpenSearch(SceneHost* host) { Push(host, new PlaceholderScene(host, 5003, kMainMenu)); }
void OpenMyApps(SceneHost* host) { Push(host, new PlaceholderScene(host, 5004, kMainMenu)); }
void OpenSettings(SceneHost* host) { Push(host, new PlaceholderScene(host, 5005, kMainMenu)); }
void OpenAbout(SceneHost* host) { Push(host, new PlaceholderScene(host, 13000, kMainMenu)); }

}  // namespace screenlinks
