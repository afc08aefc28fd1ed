#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "platform/device/DeviceRoot.h"

namespace {

// Selects a device described in memory; nothing is read from or written to
// its folder.
struct DeviceScope {
    explicit DeviceScope(const platform::DeviceInfo& info) {
        platform::SetCurrentDevice(platform::DeviceRoot("/nonexistent-device", info));
    }
    ~DeviceScope() { platform::ClearCurrentDevice(); }
};

TEST(LayoutMetricsTest, ComeFromTheDevicesFontDpiAndIconSize) {
    platform::DeviceInfo info;
    info.dpi = 131;
    info.systemFontHeight = 16;
    info.iconSize = 44;
    DeviceScope device(info);
    EXPECT_EQ(LayoutMetrics::FromPlatform(), (LayoutMetrics{16, 131, 44}));
    EXPECT_FALSE((LayoutMetrics{12, 128, 32}.DoublesImages())) << "only above 128 DPI";
}

TEST(LayoutMetricsTest, ADescriptionWithoutSensibleValuesFallsBackToWhatItsDpiImplies) {
    platform::DeviceInfo info;
    info.dpi = 192;
    info.systemFontHeight = 24;
    info.iconSize = 0;
    DeviceScope device(info);
    EXPECT_EQ(LayoutMetrics::FromPlatform(), (LayoutMetrics{24, 192, 64}));
    info.dpi = -5;
    info.iconSize = -1;
    DeviceScope broken(info);
    EXPECT_EQ(LayoutMetrics::FromPlatform(), (LayoutMetrics{24, 96, 32}));
}

}  // namespace
