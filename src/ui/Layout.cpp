#include "ui/Layout.h"

#include "ui/GObject.h"
#include "base/KeepAlive.h"

void Layout::OnAttach(GObject*) {}

bool Layout::CanRun() const {
    return owner && owner->Width() >= 1 && owner->Height() >= 1 && owner->ChildCount() > 0;
}

void Layout::Run(int reason) {
    KeepAlive guard(this);  // Apply may make the owner drop this layout
    running = true;
    Apply(owner, reason);
    running = false;
}

void Layout::Update(int reason) {
    if (IsBusy() || !CanRun()) return;
    Run(reason);
}

void Layout::Unlock() {
    locked = false;
    if (!running && CanRun()) Run(LayoutRelayout);
}
