#include "device/DeviceProfile.h"

#include <algorithm>

#include "base/Text.h"
#include "platform/probes/Probes.h"
#include "platform/registry/Registry.h"
#include "platform/system/SystemInfo.h"

namespace {

constexpr std::u16string_view kDriversActive = u"\\Drivers\\Active\\";
// Names and strings longer than this are cut, as the device's fixed buffers
// would cut them.
constexpr size_t kRegistryTextLimit = 255;
constexpr int kWlanRadioType = 1;

std::u16string PlatformPart() {
    std::u16string type;
    if (platform::GetPlatformType(type) && text::EqualsIgnoreCase(type, u"Smartphone")) return u"sp";
    return u"ppc";
}

std::u16string VersionPart() {
    platform::OsVersion v;
    if (!platform::GetOsVersion(v) || v.major != 5) return u"";
    if (v.minor == 1) return u"5";
    if (v.minor == 2) return v.build > 21000 ? u"65" : u"6";
    return u"";
}

// The screen size in the display's default orientation: a quarter turn swaps
// what the metrics report, so the catalog sees one size whatever the rotation.
void DetectScreen(DeviceProfile& profile) {
    platform::ScreenMetrics m;
    if (!platform::GetScreenMetrics(m)) {
        profile.width = profile.height = 0;
        return;
    }
    bool quarterTurn = m.orientation == 90 || m.orientation == 270;
    profile.width = quarterTurn ? m.height : m.width;
    profile.height = quarterTurn ? m.width : m.height;
}

bool DetectWifi() {
    std::vector<platform::RadioDevice> radios;
    if (!platform::GetRadioDevices(radios)) return false;
    for (const auto& r : radios)
        if (r.type == kWlanRadioType) return true;
    return false;
}

bool DetectGps() {
    auto active = platform::OpenRegistryKey(platform::Hive::LocalMachine, kDriversActive);
    if (!active) return false;
    std::u16string name;
    for (uint32_t i = 0; active->EnumSubkey(i, name); ++i) {
        if (name.size() > kRegistryTextLimit) name.resize(kRegistryTextLimit);
        auto driver = active->OpenSubkey(name);
        if (!driver) continue;
        std::u16string key;  // a value of another type counts as empty
        if (!driver->ReadString(u"Key", key)) key.clear();
        if (key.size() > kRegistryTextLimit) key.resize(kRegistryTextLimit);
        if (key.find(u"GPS") != std::u16string::npos || key.find(u"gps") != std::u16string::npos) return true;
    }
    return false;
}

}  // namespace

bool Detect(DeviceProfile& profile) {
    profile.osver = u"wm" + VersionPart() + PlatformPart();
    profile.phone = platform::CanLoadLibrary(u"phone.dll");
    DetectScreen(profile);
    profile.irda = platform::CanCreateSocket(platform::SocketFamily::Infrared);
    profile.bt = platform::CanCreateSocket(platform::SocketFamily::Bluetooth);
    profile.wifi = DetectWifi();
    profile.gl = platform::CanLoadLibrary(u"libgles_cm.dll");
    profile.cam = platform::CameraDeviceCount() > 0;
    profile.cam3g = false;
    profile.accel = platform::CanLoadLibrary(u"HTCSensorSDK.dll");
    profile.gps = DetectGps();
    profile.keypad = true;
    return profile.gps;
}

const std::vector<EditionRow>& EditionTable() {
    static const std::vector<EditionRow> table = {
        {u"wm5ppc", u"Windows Mobile 5 Pocket PC"},     {u"wm5sp", u"Windows Mobile 5 Smartphone"},
        {u"wm6ppc", u"Windows Mobile 6 Professional"},  {u"wm6sp", u"Windows Mobile 6 Standard"},
        {u"wm65ppc", u"Windows Mobile 6.5 Professional"}, {u"wm65sp", u"Windows Mobile 6.5 Standard"},
    };
    return table;
}

const std::vector<ScreenRow>& ScreenTable() {
    static const std::vector<ScreenRow> table = {
        {176, 220, u"Standard(176x220)"},
        {240, 240, u"Square(240x240)"},
        {240, 320, u"QVGA(240x320)"},
        {320, 240, u"QVGA landscape only(320x240)"},
        {240, 400, u"WQVGA(240x400)"},
        {400, 240, u"WQVGA landscape only(400x240)"},
        {320, 320, u"Square QVGA(320x320)"},
        {440, 240, u"WQVGAx landscape only(440x240)"},
        {480, 320, u"HVGA(480x320)"},
        {320, 480, u"HVGA landscape only(320x480)"},
        {480, 480, u"Square VGA(480x480)"},
        {480, 640, u"VGA(480x640)"},
        {640, 480, u"VGA landscape only(640x480)"},
        {480, 800, u"WVGA(480x800)"},
        {800, 480, u"WVGA landscape only(800x480)"},
    };
    return table;
}

namespace {

int FindEdition(std::u16string_view code) {
    const auto& table = EditionTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].code == code) return static_cast<int>(i);
    return -1;
}

int FindScreen(int32_t width, int32_t height) {
    const auto& table = ScreenTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].width == width && table[i].height == height) return static_cast<int>(i);
    return -1;
}

}  // namespace

std::u16string EditionName(std::u16string_view code) {
    int i = FindEdition(code);
    return i < 0 ? std::u16string() : EditionTable()[static_cast<size_t>(i)].name;
}

std::u16string ScreenName(int32_t width, int32_t height) {
    int i = FindScreen(width, height);
    return i < 0 ? std::u16string() : ScreenTable()[static_cast<size_t>(i)].name;
}

int EditionIndex(std::u16string_view code) { return std::max(FindEdition(code), 0); }

int ScreenIndex(int32_t width, int32_t height) { return std::max(FindScreen(width, height), 0); }

std::u16string FlagText(bool flag) { return flag ? u"1" : u"0"; }

std::vector<std::pair<std::u16string, std::u16string>> RequestParameters(const DeviceProfile& p) {
    return {
        {u"osver", p.osver},          {u"w", text::ToU16(p.width)},   {u"h", text::ToU16(p.height)},
        {u"irda", FlagText(p.irda)},  {u"bt", FlagText(p.bt)},        {u"wifi", FlagText(p.wifi)},
        {u"phone", FlagText(p.phone)}, {u"gl", FlagText(p.gl)},       {u"cam", FlagText(p.cam)},
        {u"cam3g", FlagText(p.cam3g)}, {u"accel", FlagText(p.accel)}, {u"gps", FlagText(p.gps)},
        {u"keypad", FlagText(p.keypad)},
    };
}
