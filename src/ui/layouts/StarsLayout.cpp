#include "ui/layouts/StarsLayout.h"

#include "ui/layouts/LayoutSupport.h"

void StarsLayout::Apply(GObject* owner, int) {
    const int32_t width = owner->Width() / 5;
    int32_t x = 0;
    for (const auto& star : layout::Children(*owner)) {
        star->SetRect(Rect(x, 0, width, owner->Height()));
        x += width;
    }
}
