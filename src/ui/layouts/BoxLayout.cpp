#include "ui/layouts/BoxLayout.h"

#include "ui/layouts/AnimatedMove.h"
#include "ui/layouts/LayoutSupport.h"

void BoxLayout::Apply(GObject* owner, int reason) {
    GObject* box = layout::Find(*owner, Box);
    if (!box) return;
    const int32_t W = owner->Width(), H = owner->Height();
    box->SetSize(W, H / 2);
    // A plain re-layout during a slide ends the slide where it would end.
    layout::MoveTo(*box, 0, H / 2, reason == LayoutAnimated ? SlideFrames : 0);
}
