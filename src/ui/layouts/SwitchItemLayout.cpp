#include "ui/layouts/SwitchItemLayout.h"

#include "ui/layouts/LayoutSupport.h"

void SwitchItemLayout::Apply(GObject* owner, int) {
    const int32_t f = layout::Metrics().fontUnit;
    switchWidth = 6 * f;
    switchHeight = 2 * f;
    const int32_t p = margin, W = owner->Width(), H = owner->Height();
    const int32_t s = H - 2 * p;
    layout::Place(*owner, Icon, Rect(p, p, s, s));
    int32_t rest = W - 3 * p - s;
    if (layout::Place(*owner, Switch, Rect(W - switchWidth - p, (H - switchHeight) / 2, switchWidth, switchHeight)))
        rest -= switchWidth + p;
    layout::Place(*owner, Label, Rect(2 * p + s, p, rest, H - 2 * p));
}
