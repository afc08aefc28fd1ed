#include "ui/layouts/SectionHeaderLayout.h"

#include <algorithm>

#include "ui/ITextFit.h"
#include "ui/layouts/LayoutSupport.h"

void SectionHeaderLayout::Apply(GObject* owner, int) {
    GObject* action = layout::Find(*owner, Action);
    if (!action) return;
    const int32_t W = owner->Width(), H = owner->Height();
    const int32_t gap = layout::Metrics().fontUnit / 3;
    const auto* text = dynamic_cast<const ITextFit*>(action);
    const int32_t width = std::min((text ? text->NaturalWidth() : 0) + 2 * gap, W / 2);
    const int32_t inset = std::max(1, H / 10);
    action->SetRect(Rect(W - gap - width, inset, width, std::max(1, H - 2 * inset)));
}
