#include "ui/layouts/SimpleHeaderLayout.h"

#include <algorithm>

#include "ui/app/ILabelText.h"
#include "ui/layouts/LayoutSupport.h"

namespace {

void PlaceText(const GObject& owner, int32_t id, const Rect& r, bool cutAllowed) {
    if (auto* text = dynamic_cast<ILabelText*>(layout::Find(owner, id))) text->AllowCut(cutAllowed);
    layout::Place(owner, id, r);
}

}  // namespace

void SimpleHeaderLayout::Apply(GObject* owner, int) {
    const int32_t p = margin, W = owner->Width(), H = owner->Height();
    const int32_t s = H - 2 * p;
    int32_t w = W;
    if (layout::Place(*owner, RightIcon, Rect(W - p - s, p, s, s))) w = W - 2 * p - s;
    int32_t b = backWidth, a = titleWidth, e = separatorWidth;
    // A path longer than its bar must be cut somewhere; each part cut so is
    // allowed to be, and no other.
    const bool tooLong = b > 0 && b + 4 * p + a > w;
    if (b == 0) {
        a = w - 2 * p;
    } else if (tooLong) {
        // The title says where the person is: it keeps its whole text as
        // long as the link back keeps a quarter of the bar.
        a = std::min(a, w - 4 * p - std::min(b, w / 4));
        b = w - 4 * p - a;
    } else {
        a = w - 4 * p - b;
    }
    PlaceText(*owner, BackLink, Rect(p, 0, b, H), tooLong && b < backWidth);
    layout::Place(*owner, Separator, Rect(p + b, 0, e, H));
    PlaceText(*owner, Title, Rect(p + b + e, 0, a, H), tooLong && a < titleWidth);
}
