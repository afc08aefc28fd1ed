#pragma once
#include <cstdint>
#include <string>

class SceneHost;

// Where the catalog screens lead to. Screens that are not written yet open a
// placeholder with their title, so the menus can be walked end to end; each
// function here is the one place to change when such a screen arrives.
namespace screenlinks {

void OpenAppDetails(SceneHost* host, const std::u16string& title, const std::u16string& backText, int32_t appId);
// The problem report of one application (a placeholder until that screen exists).
void OpenFeedback(SceneHost* host, const std::u16string& appName, int32_t appId);
void OpenSearch(SceneHost* host);
void OpenMyApps(SceneHost* host);
void OpenSettings(SceneHost* host);
void OpenAbout(SceneHost* host);

}  // namespace screenlinks
