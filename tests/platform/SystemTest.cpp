#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "TempRoot.h"
#include "platform/connection/Connection.h"
#include "platform/system/SystemInfo.h"
#include "platform/thread/CriticalSection.h"

using namespace platform;

TEST(SystemInfoTest, ReportsTheDeviceDescription) {
    DeviceInfo info;
    info.platformType = "Smartphone";
    info.osMajor = 5;
    info.osMinor = 1;
    info.osBuild = 14847;
    info.screenWidth = 220;
    info.screenHeight = 176;
    info.orientation = -90;  // the same as 270
    info.dpi = 0;            // a broken description must not lead to divisions by zero
    info.localeId = "0c0a";
    TempRoot root(info);

    std::u16string type, locale;
    OsVersion v;
    ScreenMetrics m;
    ASSERT_TRUE(GetPlatformType(type) && GetOsVersion(v) && GetScreenMetrics(m) && GetLocaleId(locale));
    EXPECT_EQ(type, u"Smartphone");
    EXPECT_EQ(v.major * 100000 + v.minor * 10000 + v.build, 5u * 100000 + 10000 + 14847);
    EXPECT_EQ(m.orientation, 270);
    EXPECT_EQ(m.dpi, 96);
    EXPECT_EQ(locale, u"0C0A");

    for (const char* bad : {"409", "04090", "zz09", ""}) {
        MutableCurrentDevice().MutableInfo().localeId = bad;
        locale = u"keep";
        EXPECT_FALSE(GetLocaleId(locale)) << bad;
        EXPECT_EQ(locale, u"keep");
    }
    ClearCurrentDevice();
    EXPECT_FALSE(GetPlatformType(type) || GetOsVersion(v) || GetScreenMetrics(m) || GetLocaleId(locale));
}

// The emulated data connection: it comes up after the device's delay (an
// hour here, which no test outlives) when the network is up, and a failed
// one stays failed even when the network comes back.
TEST(ConnectionTest, StatesFollowTheDevicesNetworkAndDelay) {
    struct Case {
        bool up;
        int delayMs;
        uint32_t status;
    } const cases[] = {{true, 0, kConnectionConnected}, {true, 3600000, kConnectionWaiting}, {false, 0, kConnectionFailed}};
    for (const Case& c : cases) {
        DeviceInfo info;
        info.networkUp = c.up;
        info.connectDelayMs = c.delayMs;
        TempRoot root(info);
        const ConnectionHandle h = EstablishConnection(ConnectionRequest{});
        ASSERT_NE(h, 0u);
        EXPECT_EQ(ConnectionStatus(h), c.status) << c.up << " " << c.delayMs;
        MutableCurrentDevice().MutableInfo().networkUp = true;
        if (c.status == kConnectionFailed) {
            EXPECT_EQ(ConnectionStatus(h), kConnectionFailed);
        }
        ReleaseConnection(h, false);
        EXPECT_EQ(ConnectionStatus(h), kConnectionUnknown);
    }
    ConnectionRequest disabled;
    disabled.disabled = true;
    EXPECT_EQ(EstablishConnection(disabled), 0u);
}

TEST(CriticalSectionTest, ReentrantForItsOwnerExclusiveForOthers) {
    CriticalSection cs;
    CriticalSectionLock outer(cs);
    CriticalSectionLock inner(cs);  // the owner enters again without blocking
    std::atomic<bool> entered{true};
    std::thread([&] { entered = cs.TryEnter(); }).join();
    EXPECT_FALSE(entered);
}
