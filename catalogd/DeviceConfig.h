#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace catalogd {

// Operating-system editions a device reports; an application lists the ones
// it runs on as a bit mask in this order (bit 0 = first). A mask of 0 means
// "runs on every edition".
inline constexpr std::array<std::string_view, 6> kEditions = {"wm5ppc", "wm5sp",   "wm6ppc",
                                                              "wm6sp",  "wm65ppc", "wm65sp"};
// Hardware features in the order the device reports them; an application
// needs every feature whose bit it carries.
inline constexpr std::array<std::string_view, 10> kFeatures = {"irda", "bt",    "wifi",  "phone", "gl",
                                                               "cam",  "cam3g", "accel", "gps",   "keypad"};

// The edition's bit, 0 for a code the catalog does not know.
int64_t EditionBit(std::string_view code);
int64_t FeatureBit(std::string_view name);

// The device of a session, reduced to what the catalog filters by. Screens
// are compared by their short and long side so that an application that
// fits a portrait 240x320 screen also fits the same screen held landscape.
struct DeviceConfig {
    bool configured = false;
    std::string locale;
    std::string osver;
    int64_t osBit = 0;
    int64_t shortSide = 0;
    int64_t longSide = 0;
    int64_t features = 0;
};

// What an application asks of a device.
struct Requirements {
    int64_t osMask = 0;
    int64_t minShort = 0;
    int64_t minLong = 0;
    int64_t features = 0;
};

// SQL condition over the table alias "a": the application suits the device
// (a session without a device sees everything). It uses the parameters ?1 to ?5 (see BindDevice).
inline constexpr const char* kSuitsDevice =
    "(?1 = 0 OR ((a.os_mask = 0 OR (a.os_mask & ?2) <> 0) AND a.min_short <= ?3 AND a.min_long <= ?4 "
    "AND (a.features & ?5) = a.features))";

class Stmt;
void BindDevice(Stmt& stmt, const DeviceConfig& device);

}  // namespace catalogd
