#include "ui/layouts/PopupBoxLayout.h"

#include "ui/layouts/LayoutSupport.h"

void PopupBoxLayout::Apply(GObject* owner, int) {
    const int32_t u = layout::Metrics().Half(), W = owner->Width(), H = owner->Height();
    layout::Place(*owner, Title, Rect(u, u, W - 2 * u, 3 * u));
    layout::Place(*owner, Text, Rect(u, 5 * u, W - 2 * u, H - 5 * u));
}
