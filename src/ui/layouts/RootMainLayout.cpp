#include "ui/layouts/RootMainLayout.h"

#include "ui/layouts/LayoutSupport.h"

void RootMainLayout::Apply(GObject* owner, int) {
    const int32_t f = layout::Metrics().fontUnit, W = owner->Width(), H = owner->Height();
    for (const auto& child : layout::Children(*owner)) {
        if (child->GetId() == CloseAdsButton)
            child->SetRect(Rect(W - 2 * f, H - 7 * f, 2 * f, 2 * f));
        else if (child->GetId() == StripLink)
            child->SetRect(Rect(0, H - stripHeight, W, stripHeight));
        else
            child->SetRect(Rect(0, 0, W, H));
    }
}
