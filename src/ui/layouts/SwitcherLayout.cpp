#include "ui/layouts/SwitcherLayout.h"

#include "ui/layouts/AnimatedMove.h"
#include "ui/layouts/LayoutSupport.h"

void SwitcherLayout::Apply(GObject* owner, int) {
    if (owner->ChildCount() != 1) return;
    shared_ptr<GObject> strip = owner->ChildAt(0);
    const int32_t W = owner->Width();
    strip->SetSize(W + W / 2, owner->Height());
    for (int i = 0; i < 2 && i < strip->ChildCount(); ++i) strip->ChildAt(i)->SetVisible(true);
    const int32_t target = owner->IsFocusable() ? 0 : W - strip->Width();
    layout::MoveTo(*strip, target, 0, SlideFrames);
}
