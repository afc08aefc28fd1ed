#include "ui/layouts/TreeItemLayout.h"

#include "ui/layouts/LayoutSupport.h"

void TreeItemLayout::Apply(GObject* owner, int) {
    const int32_t p = margin, W = owner->Width(), H = owner->Height();
    const int32_t s = H - 2 * p;
    int32_t x = p, rest = W - 2 * p;
    if (layout::Place(*owner, Icon, Rect(p, p, s, s))) {
        x = 2 * p + s;
        rest -= p + s;
    }
    layout::Place(*owner, Badge, Rect(p + (s / 3) * 2, 0, s / 2, s / 2));
    if (layout::Place(*owner, Arrow, Rect(W - arrowWidth - p, (H - arrowHeight) / 2, arrowWidth, arrowHeight)))
        rest -= arrowWidth + p;
    layout::Place(*owner, Label, Rect(x, p, rest, H - 2 * p));
}
