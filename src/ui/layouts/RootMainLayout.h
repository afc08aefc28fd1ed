#pragma once
#include <cstdint>

#include "ui/Layout.h"

// The window's root: every child covers the whole window, except the small
// close button of the advertising strip, which sits at the right edge just
// above the strip, and the key stop of the strip's link, which lies under
// the strip (of `stripHeight` at the bottom).
class RootMainLayout : public Layout {
public:
    static constexpr int32_t CloseAdsButton = 1000;
    static constexpr int32_t StripLink = 1001;

    explicit RootMainLayout(int stripHeight = 0) : stripHeight(stripHeight) {}

    void Apply(GObject* owner, int reason) override;

private:
    int stripHeight;
};
