#pragma once
#include <string>
#include <vector>

#include "ui/scenes/Scene.h"

// The screenshots of one application, each under its numbered caption,
// fetched as they scroll into view and scaled down to the view's width.
class ScreenshotsScene : public Scene {
public:
    ScreenshotsScene(SceneHost* host, std::u16string name, std::vector<std::u16string> pictures)
        : Scene(host), name(std::move(name)), pictures(std::move(pictures)) {}

    void Build(const shared_ptr<GObject>& root) override;

private:
    std::u16string name;
    std::vector<std::u16string> pictures;
};
