#include "ui/layouts/ScreenshotsLayout.h"

#include <algorithm>

#include "ui/layouts/IPictureSize.h"
#include "ui/layouts/LayoutSupport.h"

namespace {

// The picture's size when it has one worth showing. A picture with no width
// or no height (a decoder that produced nothing) is treated as not arrived:
// its aspect ratio would divide by zero.
bool ShownPicture(GObject& image, int32_t& width, int32_t& height) {
    auto* picture = dynamic_cast<IPictureSize*>(&image);
    if (!picture || !picture->HasPicture()) return false;
    picture->GetPictureSize(width, height);
    return width > 0 && height > 0;
}

}  // namespace

void ScreenshotsLayout::LayoutContent(GObject* owner, int) {
    const LayoutMetrics& m = layout::Metrics();
    const int32_t f = m.fontUnit;
    const int32_t room = owner->Width() - 2 * f;
    int32_t y = m.Half();
    int index = 0;
    for (const auto& child : layout::Children(*owner)) {
        if (index++ % 2 == 0) {
            child->SetRect(Rect(f, y, room, 2 * f));
            y += 2 * f;
            continue;
        }
        int32_t pw = 0, ph = 0;
        if (!ShownPicture(*child, pw, ph)) continue;
        double ratio = static_cast<double>(pw) / ph;
        int32_t width = std::max(0, std::min(room, pw));
        int32_t height = static_cast<int32_t>(width / ratio);
        child->SetRect(Rect(f, y, width, height));
        y += height + f;
    }
}
