// tobrixctl device detect: what the store would tell the catalog about a device.
#include "Command.h"
#include "base/Text.h"
#include "device/DeviceProfile.h"
#include "platform/device/DeviceRoot.h"

namespace tobrixctl {
namespace {

nlohmann::json ProfileJson(const DeviceProfile& p) {
    // Flags as 0/1, the way the settings command prints them.
    auto flag = [](bool b) { return b ? 1 : 0; };
    return {
        {"osver", U8(p.osver)},
        {"width", p.width},
        {"height", p.height},
        {"phone", flag(p.phone)},
        {"irda", flag(p.irda)},
        {"bt", flag(p.bt)},
        {"wifi", flag(p.wifi)},
        {"gl", flag(p.gl)},
        {"cam", flag(p.cam)},
        {"cam3g", flag(p.cam3g)},
        {"accel", flag(p.accel)},
        {"gps", flag(p.gps)},
        {"keypad", flag(p.keypad)},
        {"editionName", U8(EditionName(p.osver))},
        {"screenName", U8(ScreenName(p.width, p.height))},
    };
}

void SelectDevice(const std::string& dir) {
    std::string error;
    if (dir.empty()) {
        if (!platform::UseDeviceFromEnvironment(&error)) throw CommandError("no device: give --device-root DIR (" + error + ")");
        return;
    }
    auto device = platform::DeviceRoot::Open(dir, &error);
    if (!device) throw CommandError(error);
    platform::SetCurrentDevice(*device);
}

void SetupDeviceCommand(OptionParser& root) {
    auto& device = root.AddCommand("device", "Emulated device commands");
    device.RequireCommand();
    auto& detect = device.AddCommand("detect", "Print the device profile detection finds on a device");
    auto dir = std::make_shared<std::string>();
    detect.Add("--device-root", *dir, "Device root (default: TOBRIX_DEVICE_ROOT)");
    detect.OnChosen([dir] {
        SelectDevice(*dir);
        DeviceProfile profile;
        Detect(profile);
        PrintJson(ProfileJson(profile));
    });
}

}  // namespace

TOBRIXCTL_COMMAND(SetupDeviceCommand);

}  // namespace tobrixctl
