#pragma once
#include <cstdint>
#include <vector>

#include "ui/GObject.h"
#include "ui/layouts/LayoutMetrics.h"

// Small helpers the layouts share: find a direct child by its id and give it
// a rectangle. A child that is not there is skipped; the caller decides what
// room, if any, it would have taken.
namespace layout {

inline GObject* Find(const GObject& owner, int32_t id) {
    shared_ptr<GObject> child;
    return owner.FindChildById(id, child) ? child.get() : nullptr;
}

// Returns whether the child exists (and was placed).
inline bool Place(const GObject& owner, int32_t id, const Rect& r) {
    GObject* child = Find(owner, id);
    if (child) child->SetRect(r);
    return child != nullptr;
}

// A copy of the owner's children: placing a child runs its own layout and
// events, and the walk must not depend on the owner's list staying as it is.
inline std::vector<shared_ptr<GObject>> Children(const GObject& owner) { return owner.Children(); }

inline const LayoutMetrics& Metrics() { return LayoutMetrics::Get(); }

}  // namespace layout
