#include <fstream>
#include <tuple>

#include <gtest/gtest.h>

#include "TempRoot.h"
#include "base/Text.h"
#include "device/DeviceProfile.h"
#include "platform/registry/Registry.h"

using platform::DeviceInfo;
using platform::Hive;

namespace {

DeviceInfo Bare() {
    DeviceInfo info;
    info.radios.clear();
    info.cameras = 0;
    return info;
}

void Marker(const TempRoot& root, const std::string& name) {
    std::filesystem::create_directories(root.path / "Windows");
    std::ofstream(root.path / "Windows" / name) << "probe library";
}

void DriverKey(const std::u16string& name, const platform::RegistryValue& key) {
    auto k = platform::CreateRegistryKey(Hive::LocalMachine, u"\\Drivers\\Active\\" + name);
    ASSERT_TRUE(k);
    ASSERT_TRUE(k->Write(u"Key", key));
}

DeviceProfile Detected() {
    DeviceProfile p;
    p.osver = u"stale";
    p.width = p.height = -1;
    p.cam3g = true;
    p.keypad = false;
    Detect(p);
    return p;
}

}  // namespace

TEST(EditionTableTest, LookupsMatchCodesAndScreensExactly) {
    const auto& table = EditionTable();
    for (size_t i = 0; i < table.size(); ++i) EXPECT_EQ(EditionIndex(table[i].code), static_cast<int>(i));
    EXPECT_EQ(EditionName(u"wm65ppc"), u"Windows Mobile 6.5 Professional");
    // A code without a version part, another case or a prefix is no edition.
    for (std::u16string code : {u"wmppc", u"WM6PPC", u"wm6", u"", u"wm65ppc "}) {
        EXPECT_EQ(EditionName(code), u"") << U8(code);
        EXPECT_EQ(EditionIndex(code), 0) << U8(code);
    }
    // The HVGA rows hold the sizes their names show; width and height are
    // not interchangeable.
    EXPECT_EQ(ScreenName(480, 320), u"HVGA(480x320)");
    EXPECT_EQ(ScreenName(320, 480), u"HVGA landscape only(320x480)");
    EXPECT_EQ(ScreenIndex(800, 480), 14);
    EXPECT_EQ(ScreenIndex(480, 272), 0);
    EXPECT_EQ(ScreenName(220, 176), u"");
}

// The edition code comes from version, build and platform type; the screen
// size is the default orientation's whatever the rotation.
TEST(DetectTest, EditionCodeAndScreenSizeOfTheDescription) {
    const struct {
        int major, minor, build;
        const char* platformType;
        const char16_t* code;
    } editions[] = {
        {5, 2, 21000, "PocketPC", u"wm6ppc"}, {5, 2, 21001, "PocketPC", u"wm65ppc"}, {5, 2, 23090, "Smartphone", u"wm65sp"},
        {5, 2, 0, "SMARTPHONE", u"wm6sp"},    {5, 1, 99999, "smartPhone", u"wm5sp"}, {5, 1, 14847, "PocketPC", u"wm5ppc"},
        {5, 0, 1400, "PocketPC", u"wmppc"},   {6, 1, 0, "Smartphone", u"wmsp"},      {4, 21, 1088, "Smart phone", u"wmppc"},
        {5, 2, 21001, "", u"wm65ppc"} /* no platform type: Pocket PC */,
    };
    for (const auto& e : editions) {
        DeviceInfo info = Bare();
        std::tie(info.osMajor, info.osMinor, info.osBuild, info.platformType) =
            std::tuple(e.major, e.minor, e.build, e.platformType);
        TempRoot root(info);
        EXPECT_EQ(Detected().osver, e.code) << e.major << "." << e.minor << "." << e.build << " " << e.platformType;
    }
    for (int orientation : {0, 90, 180, 270}) {
        DeviceInfo info = Bare();
        const bool quarter = orientation % 180 != 0;
        info.screenWidth = quarter ? 640 : 480;
        info.screenHeight = quarter ? 480 : 640;
        info.orientation = orientation;
        TempRoot root(info);
        const DeviceProfile p = Detected();
        EXPECT_EQ(std::pair(p.width, p.height), std::pair(480, 640)) << orientation;
    }
}

TEST(DetectTest, FullyEquippedDevice) {
    DeviceInfo info = Bare();
    info.irdaSockets = true;
    info.bluetoothSockets = true;
    info.radios = {{"RIL1", "Phone", 2, true}, {"WLAN1", "Wi-Fi", 1, false}};
    info.cameras = 2;
    TempRoot root(info);
    for (auto name : {"phone.dll", "ossvcs.dll", "LIBGLES_CM.DLL", "htcsensorsdk.dll"}) Marker(root, name);
    DriverKey(u"01", platform::RegistryValue::String(u"Drivers\\BuiltIn\\Serial"));
    DriverKey(u"14", platform::RegistryValue::String(u"Drivers\\BuiltIn\\GPSID"));

    DeviceProfile p;
    EXPECT_TRUE(Detect(p)) << "Detect answers the GPS result";
    EXPECT_EQ(p, (DeviceProfile{u"wm65ppc", 480, 640, true, true, true, true, true, true, false, true, true, true}));
}

TEST(DetectTest, MissingProbeLibrariesAndDevicesGiveFalse) {
    DeviceInfo info = Bare();
    info.radios = {{"WLAN1", "Wi-Fi", 1, true}, {"BTH1", "Bluetooth", 3, true}};  // unreachable without ossvcs.dll
    TempRoot root(info);
    std::filesystem::create_directories(root.path / "Windows" / "phone.dll");  // a folder is no library
    Marker(root, "phone.dll.bak");
    // cam3g and keypad are never probed.
    DeviceProfile expected{u"wmppc", 0, 0, false, false, false, false, false, false, false, false, false, true};
    DeviceProfile p = Detected();
    expected.osver = p.osver, expected.width = p.width, expected.height = p.height;
    EXPECT_EQ(p, expected);
    Marker(root, "ossvcs.dll");
    EXPECT_TRUE(Detected().wifi);
    info.radios.erase(info.radios.begin());  // a Bluetooth radio is no wireless LAN
    platform::SetCurrentDevice(platform::DeviceRoot(root.path, info));
    EXPECT_FALSE(Detected().wifi);
}

TEST(DetectTest, GpsSearchReadsTheStringKeyOfEveryActiveDriver) {
    TempRoot root(Bare());
    EXPECT_FALSE(Detected().gps) << "no \\Drivers\\Active key at all";

    DriverKey(u"01", platform::RegistryValue::String(u"Drivers\\BuiltIn\\Serial"));
    DriverKey(u"02", platform::RegistryValue::Dword(7));
    ASSERT_TRUE(platform::CreateRegistryKey(Hive::LocalMachine, u"Drivers\\Active\\03"));  // no Key at all
    DriverKey(u"04", platform::RegistryValue::String(u"Drivers\\Gps"));  // neither spelling
    DeviceProfile p;
    EXPECT_FALSE(Detect(p));

    // A non-string Key counts as empty and the search goes on.
    DriverKey(u"05", platform::RegistryValue::Dword(0x475053));
    EXPECT_FALSE(Detected().gps);
    DriverKey(u"06", platform::RegistryValue::String(u"Drivers\\BuiltIn\\gpsone"));
    EXPECT_TRUE(Detect(p));
    EXPECT_TRUE(p.gps);
}

TEST(DetectTest, WithoutADeviceEveryProbeFailsQuietly) {
    platform::ClearCurrentDevice();
    EXPECT_EQ(Detected(), (DeviceProfile{u"wmppc", 0, 0, false, false, false, false, false, false, false, false, false, true}));
}

TEST(RequestParametersTest, OrderAndTextForms) {
    DeviceInfo info = Bare();
    info.screenWidth = 240;
    info.screenHeight = 320;
    TempRoot root(info);
    Marker(root, "phone.dll");
    DeviceProfile p;
    Detect(p);
    p.height = -5;  // whatever the user chose is sent as it is
    std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"osver", u"wm65ppc"}, {u"w", u"240"}, {u"h", u"-5"},     {u"irda", u"0"},  {u"bt", u"0"},
        {u"wifi", u"0"},        {u"phone", u"1"}, {u"gl", u"0"},   {u"cam", u"0"},   {u"cam3g", u"0"},
        {u"accel", u"0"},       {u"gps", u"0"},   {u"keypad", u"1"},
    };
    EXPECT_EQ(RequestParameters(p), expected);
}
