#pragma once
#include <cstdint>

#include "ui/Layout.h"

// The bottom line of one review item: the author's login on the left, the
// stars at the right edge, half a font unit above the item's bottom.
class ReviewLayout : public Layout {
public:
    static constexpr int32_t Author = 123;
    static constexpr int32_t Stars = 124;

    ReviewLayout(int32_t starsWidth, int32_t starsHeight) : starsWidth(starsWidth), starsHeight(starsHeight) {}
    void Apply(GObject* owner, int reason) override;

private:
    int32_t starsWidth, starsHeight;
};
