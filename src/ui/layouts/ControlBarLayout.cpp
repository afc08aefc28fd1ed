#include "ui/layouts/ControlBarLayout.h"

#include "ui/layouts/LayoutSupport.h"

void ControlBarLayout::Apply(GObject* owner, int) {
    const int32_t W = owner->Width(), H = owner->Height();
    const int32_t gap = layout::Metrics().fontUnit / 3;
    const int32_t bw = (W - 2 * gap) / 3;
    layout::Place(*owner, LeftButton, Rect(0, 0, bw, H));
    layout::Place(*owner, MiddleButton, Rect(bw + gap, 0, bw, H));
    layout::Place(*owner, RightButton, Rect(2 * (bw + gap), 0, bw, H));
    // A side button takes the last third; the wide control then keeps the
    // two thirds before it, so that neither covers the other.
    bool beside = false;
    for (int32_t id : {SideButton, SecondSideButton}) {
        layout::Place(*owner, id, Rect(2 * (bw + gap), 0, bw, H));
        const GObject* side = layout::Find(*owner, id);
        beside = beside || (side && side->IsVisible());
    }
    layout::Place(*owner, WideControl, Rect(0, 0, beside ? 2 * bw + gap : W - 2 * gap, H));
}
