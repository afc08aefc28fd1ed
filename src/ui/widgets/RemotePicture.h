#pragma once
#include <cstddef>
#include <string>

#include "base/shared_ptr.h"

class GObject;
class Surface;

// The non-template work of a remote image.
namespace remotepicture {

// The received bytes as an image, or null when they are not one.
shared_ptr<Surface> Decode(const char* data, std::size_t size);

// The shell's icon of a device file, drawn on magenta with magenta made the
// transparent colour, as an icon is drawn onto a plain bitmap. A file the
// shell has no icon for gives an empty surface.
shared_ptr<Surface> FileIcon(const std::u16string& devicePath);

// Whether some of `object` is on the screen: inside the screen and inside
// every container above it (a row scrolled out of its list is not), with
// all of them visible.
bool OnScreen(const GObject& object);

// Lets a scrolled parent measure its content again after a picture changed
// a child's size: shrink it, lay it out once, then ask for an animated pass.
void RelayoutParent(GObject& parent);

}  // namespace remotepicture
