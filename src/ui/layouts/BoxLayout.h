#pragma once
#include <cstdint>

#include "ui/Layout.h"

// The popup box's dimming layer: the box panel takes the lower half of the
// screen. Asked for an animated re-layout, the box slides there from wherever
// it is (the popup places it below the screen first, so it rises).
class BoxLayout : public Layout {
public:
    static constexpr int32_t Box = 500;
    // Frames of the slide.
    static constexpr int SlideFrames = 3;

    void Apply(GObject* owner, int reason) override;
};
