#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "TempRoot.h"
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

TEST(CriticalSectionTest, ReentrantForItsOwnerExclusiveForOthers) {
    CriticalSection cs;
    CriticalSectionLock outer(cs);
    CriticalSectionLock inner(cs);  // the owner enters again without blocking
    std::atomic<bool> entered{true};
    std::thread([&] { entered = cs.TryEnter(); }).join();
    EXPECT_FALSE(entered);
}
