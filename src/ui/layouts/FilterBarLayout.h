#pragma once
#include <cstdint>

#include "ui/Layout.h"

// The filter bar above the application lists: two buttons side by side.
class FilterBarLayout : public Layout {
public:
    static constexpr int32_t LeftButton = 9000;
    static constexpr int32_t RightButton = 9002;

    void Apply(GObject* owner, int reason) override;
};
