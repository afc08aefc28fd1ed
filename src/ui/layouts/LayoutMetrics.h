#pragma once
#include <cstdint>

// The three screen measures that all layout geometry derives from. They are
// read from the platform once, when first asked for, and then shared by every
// layout and item builder of the process; nothing in a layout is a fixed pixel
// count, so one set of layouts serves a 96-DPI and a 192-DPI screen alike.
// Tests and tools that lay out without a device set the record explicitly.
struct LayoutMetrics {
    int32_t fontUnit = 16;       // f: the stock system font's character height
    int32_t horizontalDpi = 96;  // pixels per inch along x
    int32_t iconSize = 32;       // the system's large-icon width

    // u: half the font unit, the step of most margins.
    int32_t Half() const { return fontUnit / 2; }
    // Dense screens get arrows and badges at twice their natural size, so that
    // they stay as large to the finger as on a 96-DPI screen.
    bool DoublesImages() const { return horizontalDpi > 128; }

    // The record every layout reads; the first call measures the platform.
    static const LayoutMetrics& Get();
    // Replaces the record (tests, tools, a shell that measured it itself).
    static void Set(const LayoutMetrics& metrics);
    // What the platform reports now: the system font of the current device,
    // its DPI and icon size. Values a device cannot sensibly report (zero or
    // negative) fall back to what a screen of that DPI would have.
    static LayoutMetrics FromPlatform();

    friend bool operator==(const LayoutMetrics&, const LayoutMetrics&) = default;
};
