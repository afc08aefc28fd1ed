#include "ui/layouts/FilterBarLayout.h"

#include "ui/layouts/LayoutSupport.h"

void FilterBarLayout::Apply(GObject* owner, int) {
    const int32_t u = layout::Metrics().Half(), W = owner->Width(), H = owner->Height();
    layout::Place(*owner, LeftButton, Rect(u, u, W / 2, H - 2 * u));
    layout::Place(*owner, RightButton, Rect(2 * u + W / 2, u, W - W / 2 - 3 * u, H - 2 * u));
}
