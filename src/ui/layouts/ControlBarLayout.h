#pragma once
#include <cstdint>

#include "ui/Layout.h"

// A bar of three equal buttons a third of a font unit apart, or one wide
// control shown in their place.
class ControlBarLayout : public Layout {
public:
    static constexpr int32_t MiddleButton = 10;
    static constexpr int32_t LeftButton = 11;
    static constexpr int32_t RightButton = 12;
    static constexpr int32_t WideControl = 15;

    void Apply(GObject* owner, int reason) override;
};
