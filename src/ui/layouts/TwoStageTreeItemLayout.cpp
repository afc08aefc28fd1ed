#include "ui/layouts/TwoStageTreeItemLayout.h"

#include "ui/layouts/LayoutSupport.h"

void TwoStageTreeItemLayout::Apply(GObject* owner, int) {
    const int32_t p = margin, W = owner->Width(), H = owner->Height();
    const int32_t s = H - 2 * p;
    const int32_t line = (H - 3 * p) / 2;
    // The text column starts right of the icon's square whether or not the
    // row has an icon, so that the lines of a list stay aligned.
    const int32_t x = 2 * p + s;
    int32_t rest = W - 3 * p - s;
    layout::Place(*owner, Icon, Rect(p, p, s, s));
    if (layout::Place(*owner, Arrow, Rect(W - arrowWidth - p, (H - arrowHeight) / 2, arrowWidth, arrowHeight)))
        rest -= arrowWidth + p;
    layout::Place(*owner, UpperLine, Rect(x, p, rest, line));
    layout::Place(*owner, LowerLine, Rect(x, line + 2 * p, rest, line));
}
