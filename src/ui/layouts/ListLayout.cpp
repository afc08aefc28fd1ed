#include "ui/layouts/ListLayout.h"

#include "ui/layouts/LayoutSupport.h"

void ListLayout::LayoutContent(GObject* owner, int) {
    const int32_t shortHeight = layout::Metrics().fontUnit * 3 / 2;
    const int32_t width = owner->Width();
    int32_t y = 0;
    int index = 0;
    for (const auto& child : layout::Children(*owner)) {
        int32_t h = shortRows.count(index++) ? shortHeight : itemHeight;
        child->SetRect(Rect(0, y, width, h));
        y += h;
    }
}
