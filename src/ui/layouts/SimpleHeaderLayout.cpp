#include "ui/layouts/SimpleHeaderLayout.h"

#include "ui/layouts/LayoutSupport.h"

void SimpleHeaderLayout::Apply(GObject* owner, int) {
    const int32_t p = margin, W = owner->Width(), H = owner->Height();
    const int32_t s = H - 2 * p;
    int32_t w = W;
    if (layout::Place(*owner, RightIcon, Rect(W - p - s, p, s, s))) w = W - 2 * p - s;
    int32_t b = backWidth, a = titleWidth, e = separatorWidth;
    if (b == 0) a = w - 2 * p;
    if (b > w / 3 && b + 4 * p + a > w) {
        b = w / 3;
        a = w - 4 * p - w / 3;
    } else if (b > 0) {
        a = w - 4 * p - b;
    }
    layout::Place(*owner, BackLink, Rect(p, 0, b, H));
    layout::Place(*owner, Separator, Rect(p + b, 0, e, H));
    layout::Place(*owner, Title, Rect(p + b + e, 0, a, H));
}
