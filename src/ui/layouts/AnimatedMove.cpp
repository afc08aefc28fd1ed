#include "ui/layouts/AnimatedMove.h"

#include "ui/GObject.h"
#include "ui/widgets/traits/TMovableI.h"
#include "ui/widgets/traits/TTransparableI.h"

namespace layout {
namespace {

// The two movable bases of the widget stacks (a movable image derives from
// the second).
template <class Movable>
bool TryMove(GObject& object, int32_t x, int32_t y, int frames) {
    auto* movable = dynamic_cast<Movable*>(&object);
    if (!movable) return false;
    movable->MoveTo(x, y, object.GetServer() ? frames : 0);
    return true;
}

}  // namespace

void MoveTo(GObject& object, int32_t x, int32_t y, int frames) {
    if (TryMove<TMovableI<GObject>>(object, x, y, frames)) return;
    if (TryMove<TMovableI<TTransparableI<GObject>>>(object, x, y, frames)) return;
    object.SetPosition(x, y);
}

}  // namespace layout
