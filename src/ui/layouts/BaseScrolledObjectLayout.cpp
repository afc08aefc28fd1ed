#include "ui/layouts/BaseScrolledObjectLayout.h"

#include <algorithm>

#include "ui/GObject.h"

namespace {
// The top margin used as bottom margin never exceeds this.
constexpr int32_t kMaxBottomMargin = 100;
}

void BaseScrolledObjectLayout::Apply(GObject* owner, int reason) {
    // A 1 by 1 owner is a placeholder nobody sized yet; laying it out would
    // give it a height for a width it does not have.
    if (owner->Width() == 1 && owner->Height() == 1) return;
    LayoutContent(owner, reason);
    int32_t top = kMaxBottomMargin, bottom = 0;
    for (const auto& child : owner->Children()) {
        top = std::min(top, child->Y());
        bottom = std::max(bottom, child->Y() + child->Height());
    }
    GObject* parent = owner->Parent();
    int32_t margin = parent && bottom < parent->Height() ? 0 : top;
    owner->SetSize(owner->Width(), bottom + margin);
}
