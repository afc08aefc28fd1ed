#include "ui/scenes/SceneMetrics.h"

#include <cstdlib>

#include "platform/system/SystemInfo.h"

int BaseTextHeight() {
    platform::ScreenMetrics metrics;
    if (platform::GetScreenMetrics(metrics) && metrics.systemFontHeight != 0) return std::abs(metrics.systemFontHeight);
    return 16;  // no device description: a plain desktop font
}
