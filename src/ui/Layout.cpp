#include "ui/Layout.h"

#include "ui/GObject.h"
#include "ui/KeepAlive.h"

void Layout::OnAttach(GObject*) {}

bool Layout::CanRun() const {
    return owner && owner->Width() >= 1 && owner->Height() >= 1 && owner->ChildCount() > 0;
}

void Layout::Run(int reason) {
    KeepAlive guard(this);  // Apply may make the owner drop this layout
    busy = true;
    Apply(owner, reason);
    busy = false;
}

void Layout::Update(int reason) {
    if (busy || !CanRun()) return;
    Run(reason);
}

void Layout::Unlock() {
    busy = false;
    if (CanRun()) Run(LayoutRelayout);
}
