#pragma once
#include <cstdint>

#include "Canvas.h"

namespace catalogd {

inline constexpr int kIconSize = 64;
inline constexpr int kShotWidth = 240;
inline constexpr int kShotHeight = 320;

// An application icon: a rounded tile in the application's colour with a
// motif that depends on `motif`, on a transparent background.
Canvas DrawIcon(double hue, int motif);

// A screenshot: a title bar, a content area whose layout depends on `layout`
// and `variant`, and a soft-key bar, in the application's colours.
Canvas DrawScreenshot(double hue, int layout, uint64_t variant);

}  // namespace catalogd
