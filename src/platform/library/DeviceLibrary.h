#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Libraries of the emulated handheld that programs load at run time. A device
// library exists on the device as a file of its \Windows\ folder; the few
// that the emulator really provides stand for a host module of its build,
// which is what gets loaded. Loaded modules stay for the life of the process,
// as the code and window classes they brought may be in use until its end.
namespace platform {

class DeviceLibrary {
public:
    // The module's handle, handed to its initialisation as the device does.
    void* Module() const { return module; }
    // An exported function or object, or null.
    void* Symbol(const char* name) const;

private:
    friend std::optional<DeviceLibrary> LoadDeviceLibrary(std::u16string_view, std::string*);
    explicit DeviceLibrary(void* module) : module(module) {}
    void* module = nullptr;
};

// Loads a library of the device's \Windows\ folder by its file name
// ("htmlview.dll", any letter case). nullopt, with the reason in `error`, when
// the device has no such file, the emulator provides no module for it, or
// the module cannot be loaded. Loading the same library twice gives the same
// module.
std::optional<DeviceLibrary> LoadDeviceLibrary(std::u16string_view name, std::string* error = nullptr);

// The host module that stands for a device library, or nullopt:
// $TOBRIX_EMULATOR_DIR/<module>, then next to the running executable, then
// the emulator's folder of the build tree this library was built in.
std::optional<std::filesystem::path> HostModuleFor(std::u16string_view name);

}  // namespace platform
