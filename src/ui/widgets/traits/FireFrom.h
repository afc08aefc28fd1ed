#pragma once
#include <utility>

#include "base/shared_ptr.h"
#include "ui/GObject.h"
#include "base/KeepAlive.h"

// Fires a widget's own event with the widget as sender. A widget still being
// configured (no owner yet) must not be destroyed by the temporary sender
// pointer, and one whose last owner lets go inside a handler goes only after
// the handlers returned.
template <class E, class... Args>
void FireFrom(GObject& sender, const shared_ptr<E>& event, Args&&... args) {
    if (!event) return;
    shared_ptr<E> keep = event;
    KeepAlive guard(&sender);
    shared_ptr<GObject> self(&sender);
    keep->Invoke(self, std::forward<Args>(args)...);
}
