#include "ui/layouts/SwitchLayout.h"

#include "ui/layouts/LayoutSupport.h"

void SwitchLayout::Apply(GObject* owner, int) {
    const int32_t W = owner->Width(), H = owner->Height();
    togglerWidth = W / 3;
    const int32_t t = togglerWidth, h = (W - t) / 2;
    const Rect places[] = {Rect(0, 0, h + t, H), Rect(h, 0, h + t, H), Rect(h, 0, t, H)};
    const auto children = layout::Children(*owner);
    for (size_t i = 0; i < children.size() && i < 3; ++i) children[i]->SetRect(places[i]);
}
