#pragma once
#include <cstdint>
#include <string>

class SceneHost;

// Where the catalog screens lead to: the one place that names the screen a
// menu row, link or soft key opens.
namespace screenlinks {

void OpenAppDetails(SceneHost* host, const std::u16string& title, const std::u16string& backText, int32_t appId);
// The problem report of one application.
void OpenFeedback(SceneHost* host, const std::u16string& appName, int32_t appId);
void OpenSearch(SceneHost* host);
// `backText` names the screen below in the header (the main menu when empty).
void OpenMyApps(SceneHost* host, const std::u16string& backText = std::u16string());
void OpenSettings(SceneHost* host);
void OpenAbout(SceneHost* host);

}  // namespace screenlinks
