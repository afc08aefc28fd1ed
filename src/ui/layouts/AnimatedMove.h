#pragma once
#include <cstdint>

class GObject;

namespace layout {

// Moves `object` to (x, y) over `frames` frames when it is one of the movable
// widget stacks and is attached to a UI server that runs animations. An
// object that cannot animate (not movable, or not attached yet, as while a
// scene is being built) is placed at once: a layout must reach its end
// state even when nobody will play the way there.
void MoveTo(GObject& object, int32_t x, int32_t y, int frames);

}  // namespace layout
