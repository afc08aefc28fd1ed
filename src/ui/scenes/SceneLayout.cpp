#include "ui/scenes/SceneLayout.h"

#include "ui/GObject.h"

void SceneLayout::Apply(GObject* owner, int /*reason*/) {
    const int w = owner->Width();
    shared_ptr<GObject> child;
    if (owner->FindChildById(TopBar, child)) child->SetRect(Rect(0, 0, w, barHeight));
    int y = barHeight;
    if (owner->FindChildById(SecondBar, child)) {
        child->SetRect(Rect(0, y, w, barHeight));
        y += barHeight;
    }
    if (owner->FindChildById(Body, child)) child->SetRect(Rect(0, y, w, owner->Height() - y));
}
