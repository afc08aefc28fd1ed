#pragma once
#include <cstdint>

#include "ui/Layout.h"

// The window's root: every child covers the whole window, except the small
// close button of the advertising strip, which sits at the right edge just
// above the strip.
class RootMainLayout : public Layout {
public:
    static constexpr int32_t CloseAdsButton = 1000;

    void Apply(GObject* owner, int reason) override;
};
