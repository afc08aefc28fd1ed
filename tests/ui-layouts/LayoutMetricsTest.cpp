#include <gtest/gtest.h>

#include <array>

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

// The metrics come from the device's font, DPI and icon size; a description
// without sensible values falls back to what its DPI implies.
TEST(LayoutMetricsTest, ComeFromTheDeviceOrWhatItsDpiImplies) {
    const std::pair<std::array<int32_t, 3>, LayoutMetrics> cases[] = {
        {{131, 16, 44}, {16, 131, 44}},
        {{192, 24, 0}, {24, 192, 64}},
        {{-5, 24, -1}, {24, 96, 32}},
    };
    for (const auto& [device, metrics] : cases) {
        platform::DeviceInfo info;
        info.dpi = device[0];
        info.systemFontHeight = device[1];
        info.iconSize = device[2];
        DeviceScope scope(info);
        EXPECT_EQ(LayoutMetrics::FromPlatform(), metrics) << device[0];
    }
    EXPECT_FALSE((LayoutMetrics{12, 128, 32}.DoublesImages())) << "only above 128 DPI";
}

}  // namespace
