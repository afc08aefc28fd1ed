#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// An emulated handheld is a folder on the host: its file system, its registry
// (registry.db) and its description (device.json). Program logic speaks in
// device paths ("\Program Files\Tobrix\settings.dat"); only the platform layer
// maps them onto host paths below the root.
namespace platform {

struct RadioDevice {
    std::string name;         // "WLAN1"
    std::string displayName;  // "Wi-Fi"
    int type = 0;             // 1 = wireless LAN, 2 = phone, 3 = Bluetooth
    bool on = true;
};

// The device's data link as the emulator shapes it ("link" in device.json):
// what a handheld on GPRS, EDGE or 3G sees, applied to every transfer of the
// device's own programs. The catalog service is never slowed, only the
// device's side of the line.
struct DataLink {
    std::string profile;         // "gprs", "edge", "3g", "wifi" or "custom"; empty: no shaping
    int downKbps = 0;            // kilobits per second towards the device; 0: unlimited
    int upKbps = 0;              // from the device; 0: unlimited
    int latencyMs = 0;           // added before each request goes out
    uint64_t dropAfterBytes = 0; // the line fails after this many bytes of one transfer; 0: never
    int dropEverySeconds = 0;    // the line fails once a transfer has lasted this long; 0: never

    bool Shaped() const { return !profile.empty(); }
};

// What device.json says about the device. Every field has a default so that a
// sparse or partly damaged description still yields a usable device.
struct DeviceInfo {
    std::string profile = "custom";
    std::string platformType = "PocketPC";  // "PocketPC" or "Smartphone" (any case)
    int osMajor = 5, osMinor = 2, osBuild = 23090;
    int screenWidth = 480, screenHeight = 640;  // current orientation's metrics
    int orientation = 0;                        // 0, 90, 180, 270 degrees
    int dpi = 192;
    int systemFontHeight = 24;
    int iconSize = 32;
    std::string localeId = "0409";  // four hex digits
    bool touch = true;
    std::vector<std::string> storageCards;  // folder names in the root, e.g. "Storage Card"
    bool networkUp = true;
    int connectDelayMs = 0;        // how long a data connection takes to come up
    bool irdaSockets = false;      // an infrared stream socket can be created
    bool bluetoothSockets = false; // an RFCOMM Bluetooth socket can be created
    std::vector<RadioDevice> radios;
    int cameras = 0;               // devices of the camera class
    std::string catalogUrl;        // base URL of the catalog service (deployment data)
    std::string browserCommand;    // host program that opens URLs; empty: none
    // The advertising site (deployment data): where the strip's pages lie,
    // below "ads/". Empty: the catalog service's own address.
    std::string adsUrl;
    // "storageBytes": the size of the device's own storage. The files in the
    // root's folders (storage cards aside, which are media of their own) may
    // take no more than this together; a write that would pass it fails as on
    // a full disk. The root's own files (this description, registry.db, the
    // emulator's logs) are the emulator's bookkeeping and do not count.
    // 0: no limit but the host disk's.
    uint64_t storageBytes = 0;
    DataLink link;
};

class DeviceRoot {
public:
    // Reads device.json below `root`. Returns nullopt with `error` filled when
    // the folder or the description is missing or unreadable.
    static std::optional<DeviceRoot> Open(const std::filesystem::path& root, std::string* error = nullptr);
    // Writes device.json (atomically: temporary file, then rename).
    bool Save(std::string* error = nullptr) const;

    explicit DeviceRoot(std::filesystem::path root, DeviceInfo info = {});

    const std::filesystem::path& Root() const { return root; }
    const DeviceInfo& Info() const { return info; }
    DeviceInfo& MutableInfo() { return info; }

    // "\Program Files\Tobrix\x.dat" -> <root>/Program Files/Tobrix/x.dat.
    // Components are matched case-insensitively against what exists, as the
    // device's file system is case-insensitive. A device path that would leave
    // the root ("..", a drive letter, an empty component chain escaping it, a
    // symbolic link on the host that leads outside the root) yields nullopt.
    std::optional<std::filesystem::path> HostPath(std::u16string_view devicePath) const;
    // The device path of a host path below the root, or nullopt.
    std::optional<std::u16string> DevicePath(const std::filesystem::path& hostPath) const;

    std::filesystem::path DescriptionFile() const { return root / "device.json"; }
    std::filesystem::path RegistryFile() const { return root / "registry.db"; }

private:
    bool StaysInside(const std::filesystem::path& host) const;

    std::filesystem::path root;
    DeviceInfo info;
};

// The device this process runs on. Set once at start-up from --device-root (or
// the TOBRIX_DEVICE_ROOT environment variable); tests point it at a temporary
// root. Current() fails loudly (std::logic_error) when none was set, because
// running against no device would silently read and write the host.
void SetCurrentDevice(const DeviceRoot& device);
// Forgets the current device (tests that need to run without one).
void ClearCurrentDevice();
bool HasCurrentDevice();
const DeviceRoot& CurrentDevice();
DeviceRoot& MutableCurrentDevice();
// Takes TOBRIX_DEVICE_ROOT from the environment when no device was set yet.
bool UseDeviceFromEnvironment(std::string* error = nullptr);

}  // namespace platform
