#include "shell/LoadingLayout.h"

#include "ui/GObject.h"

void LoadingLayout::Apply(GObject* owner, int /*reason*/) {
    const int w = owner->Width(), h = owner->Height();
    const int side = 3 * unit;
    const int textHeight = 2 * unit;
    const int top = (h - side - textHeight) / 2;
    shared_ptr<GObject> child;
    if (owner->FindChildById(kSpinnerId, child)) child->SetRect(Rect((w - side) / 2, top, side, side));
    if (owner->FindChildById(kTextId, child)) child->SetRect(Rect(0, top + side, w, textHeight));
}
