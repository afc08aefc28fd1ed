#include "ui/layouts/SwitchItemLayout.h"

#include "ui/layouts/LayoutSupport.h"

void SwitchItemLayout::Apply(GObject* owner, int) {
    const int32_t f = layout::Metrics().fontUnit;
    switchWidth = 6 * f;
    switchHeight = 2 * f;
    const int32_t p = margin, W = owner->Width(), H = owner->Height();
    const int32_t s = H - 2 * p;
    int32_t x = 2 * p + s;
    int32_t rest = W - 3 * p - s;
    if (layout::Place(*owner, Switch, Rect(W - switchWidth - p, (H - switchHeight) / 2, switchWidth, switchHeight)))
        rest -= switchWidth + p;
    // A row too narrow for words beside both the icon and the switch (a small
    // screen) gives the icon's square to the label: the words say what the
    // switch does, the picture only repeats it.
    if (rest < switchWidth) {
        x = p;
        rest += s + p;
        layout::Place(*owner, Icon, Rect(p, p, 0, 0));
    } else {
        layout::Place(*owner, Icon, Rect(p, p, s, s));
    }
    layout::Place(*owner, Label, Rect(x, p, rest, H - 2 * p));
}
