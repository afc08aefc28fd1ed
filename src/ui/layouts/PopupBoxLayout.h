#pragma once
#include <cstdint>

#include "ui/Layout.h"

// Inside the popup box panel: the title across the top and the scrolling
// message below it.
class PopupBoxLayout : public Layout {
public:
    static constexpr int32_t Text = -5677;
    static constexpr int32_t Title = -5678;

    void Apply(GObject* owner, int reason) override;
};
