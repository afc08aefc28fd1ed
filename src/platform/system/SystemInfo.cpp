#include "platform/system/SystemInfo.h"

#include <cctype>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"

namespace platform {
namespace {

// The descriptions are edited by hand; a locale id that is not four hex digits
// would otherwise travel on into language selection and request texts.
bool ValidLocaleId(const std::string& id) {
    if (id.size() != 4) return false;
    for (unsigned char c : id)
        if (!std::isxdigit(c)) return false;
    return true;
}

int32_t NormalOrientation(int32_t degrees) {
    int32_t d = ((degrees % 360) + 360) % 360;
    return d == 90 || d == 180 || d == 270 ? d : 0;
}

}  // namespace

bool GetPlatformType(std::u16string& type) {
    if (!HasCurrentDevice()) return false;
    const std::string& t = CurrentDevice().Info().platformType;
    if (t.empty()) return false;
    type = U16(t);
    return true;
}

bool GetOsVersion(OsVersion& version) {
    if (!HasCurrentDevice()) return false;
    const DeviceInfo& info = CurrentDevice().Info();
    if (info.osMajor < 0 || info.osMinor < 0 || info.osBuild < 0) return false;
    version = {static_cast<uint32_t>(info.osMajor), static_cast<uint32_t>(info.osMinor),
               static_cast<uint32_t>(info.osBuild)};
    return true;
}

bool GetScreenMetrics(ScreenMetrics& metrics) {
    if (!HasCurrentDevice()) return false;
    const DeviceInfo& info = CurrentDevice().Info();
    metrics = {info.screenWidth,
               info.screenHeight,
               NormalOrientation(info.orientation),
               info.dpi > 0 ? info.dpi : 96,
               info.systemFontHeight,
               info.iconSize};
    return true;
}

bool GetLocaleId(std::u16string& id) {
    if (!HasCurrentDevice()) return false;
    const std::string& raw = CurrentDevice().Info().localeId;
    if (!ValidLocaleId(raw)) return false;
    std::string upper = raw;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    id = U16(upper);
    return true;
}

}  // namespace platform
