#pragma once
#include <string_view>

#include "platform/imaging/Bitmap.h"

namespace platform {

// The icon the shell shows for a file, at the device's icon size (square).
// On the emulated device an installed program's icon is the picture its
// package installed next to it ("notes.png" for "notes.exe"), which the
// installer records as the data of the program's ExecutableFiles value;
// any other existing file gets the device's default program icon. False,
// with `out` left empty, when the file does not exist.
bool GetFileIcon(std::u16string_view devicePath, imaging::Bitmap& out);

// Where the installer recorded the icon of an installed program, or an empty
// text when it recorded none.
std::u16string RecordedIconPath(std::u16string_view programPath);

// The device's generic program icon: a small window with a title bar, on a
// transparent background.
imaging::Bitmap DefaultProgramIcon(int32_t size);

}  // namespace platform
