#pragma once
#include "ui/Layout.h"

// The layout of a scene's root: an optional top bar, an optional second bar
// under it, and the body filling the rest. The top bar's space is kept even
// when a scene has no top bar, so the bodies of all scenes line up.
class SceneLayout : public Layout {
public:
    enum ChildId : int { TopBar = -90, Body = -91, SecondBar = -92 };

    explicit SceneLayout(int barHeight) : barHeight(barHeight) {}
    void Apply(GObject* owner, int reason) override;
    int GetBarHeight() const { return barHeight; }

private:
    int barHeight;
};
