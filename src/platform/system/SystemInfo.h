#pragma once
#include <cstdint>
#include <string>

// What the device says about itself: platform type, OS version, screen and
// locale. Every query answers false when no device is selected, so callers
// fall back the way they would when the platform call fails.
namespace platform {

struct OsVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
};

struct ScreenMetrics {
    int32_t width = 0;   // in the current orientation
    int32_t height = 0;
    int32_t orientation = 0;  // degrees: 0, 90, 180 or 270
    int32_t dpi = 96;
    int32_t systemFontHeight = 0;
    int32_t iconSize = 0;
};

// "PocketPC" or "Smartphone", spelled as the device spells it.
bool GetPlatformType(std::u16string& type);
bool GetOsVersion(OsVersion& version);
bool GetScreenMetrics(ScreenMetrics& metrics);
// The user's locale as four upper-case hex digits ("0409").
bool GetLocaleId(std::u16string& id);

}  // namespace platform
