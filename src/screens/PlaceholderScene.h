#pragma once
#include <cstdint>
#include <string>

#include "ui/scenes/Scene.h"

// Stands in for a screen that is not written yet: its title bar with a back
// link, and nothing else. Lets the menus be walked end to end meanwhile.
class PlaceholderScene : public Scene {
public:
    // Title and back link as string numbers.
    PlaceholderScene(SceneHost* host, int32_t titleString, int32_t backString);
    // Title and back link as texts (an application's name, a list's title).
    PlaceholderScene(SceneHost* host, std::u16string title, std::u16string backText);

    void Build(const shared_ptr<GObject>& root) override;

    const std::u16string& Title() const { return title; }

private:
    std::u16string title;
    std::u16string backText;
};
