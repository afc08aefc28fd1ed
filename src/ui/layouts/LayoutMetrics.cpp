#include "ui/layouts/LayoutMetrics.h"

#include <cstdlib>
#include <optional>

#include "platform/system/SystemInfo.h"
#include "platform/text/Font.h"

namespace {

// Measures that a 96-DPI screen has; the others scale from them.
constexpr int32_t kBaseDpi = 96;
constexpr int32_t kBaseIconSize = 32;

int32_t ScaledFromBase(int32_t base, int32_t dpi) { return (base * dpi + kBaseDpi / 2) / kBaseDpi; }

std::optional<LayoutMetrics>& Current() {
    static std::optional<LayoutMetrics> current;
    return current;
}

}  // namespace

LayoutMetrics LayoutMetrics::FromPlatform() {
    LayoutMetrics m;
    platform::ScreenMetrics screen;
    if (platform::GetScreenMetrics(screen) && screen.dpi > 0) m.horizontalDpi = screen.dpi;
    // The system font's description is what the device reports for its stock
    // font (never empty: the text role falls back to a default height). Its
    // height may be given as cell or as character height; the unit is its
    // size either way.
    m.fontUnit = std::abs(platform::text::SystemFontDescription().height);
    m.iconSize = screen.iconSize > 0 ? screen.iconSize : ScaledFromBase(kBaseIconSize, m.horizontalDpi);
    return m;
}

const LayoutMetrics& LayoutMetrics::Get() {
    auto& current = Current();
    if (!current) current = FromPlatform();
    return *current;
}

void LayoutMetrics::Set(const LayoutMetrics& metrics) { Current() = metrics; }
