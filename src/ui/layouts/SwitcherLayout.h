#pragma once
#include "ui/Layout.h"

// The viewport of a switch. Its one child, the strip, is one and a half
// viewports wide and slides so that the toggler ends on the right half when
// the switch is on (the viewport's selected flag) and on the left half when
// off. Both backgrounds are shown for the slide; the switch hides the covered
// one when the slide ends.
class SwitcherLayout : public Layout {
public:
    // Frames of the slide.
    static constexpr int SlideFrames = 5;

    void Apply(GObject* owner, int reason) override;
};
