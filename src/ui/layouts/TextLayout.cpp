#include "ui/layouts/TextLayout.h"

#include "ui/ITextFit.h"
#include "ui/layouts/LayoutSupport.h"

void TextLayout::LayoutContent(GObject* owner, int) { StackFitted(owner, 0); }

void TextLayout::StackFitted(GObject* owner, int32_t extraHeight) {
    const LayoutMetrics& m = layout::Metrics();
    const int32_t u = m.Half();
    const int32_t width = owner->Width() - u - m.fontUnit;
    int32_t y = u;
    for (const auto& child : layout::Children(*owner)) {
        auto* fit = dynamic_cast<ITextFit*>(child.get());
        int32_t height = fit ? fit->FittedHeight(width) + extraHeight : child->Height();
        child->SetRect(Rect(u, y, width, height));
        y = child->Y() + child->Height();
    }
}
