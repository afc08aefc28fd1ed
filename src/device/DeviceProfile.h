#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the store tells the catalog about the device: OS edition, screen size
// in the default orientation and ten feature flags.
struct DeviceProfile {
    std::u16string osver;
    int32_t width = 0;
    int32_t height = 0;
    bool phone = false;
    bool irda = false;
    bool bt = false;
    bool wifi = false;
    bool gl = false;
    bool cam = false;
    bool cam3g = false;
    bool accel = false;
    bool gps = false;
    bool keypad = false;

    bool operator==(const DeviceProfile&) const = default;
};

struct EditionRow {
    std::u16string code;
    std::u16string name;
};

struct ScreenRow {
    int32_t width;
    int32_t height;
    std::u16string name;
};

// Probes the current device (platform::CurrentDevice()) and fills every field.
// Returns the GPS result. Never fails as a whole: a probe that cannot run
// yields false.
bool Detect(DeviceProfile& profile);

const std::vector<EditionRow>& EditionTable();
const std::vector<ScreenRow>& ScreenTable();
std::u16string EditionName(std::u16string_view code);
std::u16string ScreenName(int32_t width, int32_t height);
int EditionIndex(std::u16string_view code);
int ScreenIndex(int32_t width, int32_t height);

// Request texts: a flag is "1" or "0", numbers in decimal.
std::u16string FlagText(bool flag);

// The profile's parameters of the configuration request, as (name, text) in
// the order the request carries them: "osver", "w", "h", then the flags
// "irda", "bt", "wifi", "phone", "gl", "cam", "cam3g", "accel", "gps", "keypad".
std::vector<std::pair<std::u16string, std::u16string>> RequestParameters(const DeviceProfile& profile);
