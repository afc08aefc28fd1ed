#include "platform/library/DeviceLibrary.h"

#include <dlfcn.h>

#include <cstdlib>

#include "base/Text.h"
#include "platform/probes/Probes.h"
#include "platform/process/Process.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

struct Mapping {
    std::u16string_view deviceName;
    std::string_view hostFile;
};
// Device libraries the emulator provides as host modules.
constexpr Mapping kModules[] = {
    {u"htmlview.dll", "libtobrix_htmlview.so"},
};

}  // namespace

void* DeviceLibrary::Symbol(const char* name) const { return module ? ::dlsym(module, name) : nullptr; }

std::optional<fs::path> HostModuleFor(std::u16string_view name) {
    for (const auto& m : kModules) {
        if (!text::EqualsIgnoreCase(name, m.deviceName)) continue;
        std::vector<fs::path> candidates;
        if (const char* dir = std::getenv("TOBRIX_EMULATOR_DIR"); dir && *dir) candidates.push_back(fs::path(dir) / m.hostFile);
        if (auto dir = RunningExecutableDir()) candidates.push_back(*dir / m.hostFile);
#ifdef TOBRIX_EMULATOR_BUILD_DIR
        candidates.push_back(fs::path(TOBRIX_EMULATOR_BUILD_DIR) / m.hostFile);
#endif
        for (const auto& c : candidates) {
            std::error_code ec;
            if (fs::is_regular_file(c, ec)) return c;
        }
    }
    return std::nullopt;
}

std::optional<DeviceLibrary> LoadDeviceLibrary(std::u16string_view name, std::string* error) {
    auto fail = [&](std::string why) -> std::optional<DeviceLibrary> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    if (!CanLoadLibrary(name)) return fail("the device has no " + text::Utf16ToUtf8(name));
    auto host = HostModuleFor(name);
    if (!host) return fail("the emulator provides no module for " + text::Utf16ToUtf8(name));
    // Everything now: a module that cannot be bound must fail here, not at
    // its first call. Its own symbols stay private to it.
    void* module = ::dlopen(host->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = ::dlerror();
        return fail(why ? why : "cannot load " + host->string());
    }
    return DeviceLibrary(module);
}

}  // namespace platform
