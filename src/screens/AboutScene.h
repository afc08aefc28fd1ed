#pragma once
#include <vector>

#include "ui/layouts/TableLayout.h"
#include "ui/scenes/Scene.h"

// The product's name, icon, version and legal texts, and two links (the web
// site and support) that open in the device's browser.
class AboutScene : public Scene {
public:
    explicit AboutScene(SceneHost* host) : Scene(host) {}
    void Build(const shared_ptr<GObject>& root) override;

    // The form's cells for a screen `width` pixels wide: the icon's cell is
    // given the width of a square as tall as its two rows, and the text
    // beside it the rest of the row.
    static std::vector<TableLayout::Cell> Cells(int width);
};
