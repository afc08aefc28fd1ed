#include "ui/layouts/ReviewLayout.h"

#include "ui/layouts/LayoutSupport.h"

void ReviewLayout::Apply(GObject* owner, int) {
    const int32_t W = owner->Width();
    const int32_t y = owner->Height() - layout::Metrics().Half() - starsHeight;
    layout::Place(*owner, Author, Rect(0, y, W - starsWidth, starsHeight));
    layout::Place(*owner, Stars, Rect(W - starsWidth, y, starsWidth, starsHeight));
}
