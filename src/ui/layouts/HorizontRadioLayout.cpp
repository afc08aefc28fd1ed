#include "ui/layouts/HorizontRadioLayout.h"

#include "ui/layouts/LayoutSupport.h"

void HorizontRadioLayout::Apply(GObject* owner, int) {
    const auto children = layout::Children(*owner);
    if (children.empty()) return;
    const int32_t width = owner->Width() / static_cast<int32_t>(children.size());
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->SetRect(Rect(static_cast<int32_t>(i) * width, 0, width, owner->Height()));
}
