#pragma once
#include <cstdint>

#include "ui/Layout.h"

// A bar of three equal buttons a third of a font unit apart, or one wide
// control (a progress bar) shown in their place. A caption too long for its
// third is cut like any one-line label. A side button, when shown, takes the
// last third beside the wide control (an action on the job the control
// shows), and the wide control the two thirds before it. There are two side
// buttons, of which one shows at a time (try again after a failure, cancel
// while a download runs).
class ControlBarLayout : public Layout {
public:
    static constexpr int32_t MiddleButton = 10;
    static constexpr int32_t LeftButton = 11;
    static constexpr int32_t RightButton = 12;
    static constexpr int32_t SideButton = 13;
    static constexpr int32_t SecondSideButton = 14;
    static constexpr int32_t WideControl = 15;

    void Apply(GObject* owner, int reason) override;
};
