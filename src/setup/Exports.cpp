// The four entry points the device's installer calls in a setup extension,
// with its calling convention: UTF-16 texts, an owner window, and 0 for
// continue (the _Init calls) or done (the _Exit calls). Pindle never cancels
// or undoes an installation: each of its steps is optional for the store.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <cstdlib>
#include <string>

#include "platform/device/DeviceRoot.h"
#include "setup/Registration.h"
#include "setup/Removal.h"

#define PINDLE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t kContinue = 0;

// This library carries its own copy of the platform layer, which knows
// nothing of the installer's; the installer names its device in the
// environment. The description is read again on every call, because the
// library may stay loaded from one installation to the next.
bool SelectDevice() {
    const char* root = std::getenv("TOBRIX_DEVICE_ROOT");
    if (!root || !*root) return platform::HasCurrentDevice();
    auto device = platform::DeviceRoot::Open(root);
    if (!device) return false;
    platform::SetCurrentDevice(*device);
    return true;
}

std::u16string Text(const char16_t* s) { return s ? std::u16string(s) : std::u16string(); }

// Nothing may unwind into the installer, which is not C++ on the device. A
// failure still does not stop the installation: what Pindle adds is optional
// for the store, so it is reported and the installer carries on.
template <typename Step>
int32_t Guarded(const char* entry, Step step) {
    try {
        if (SelectDevice())
            step();
        else
            std::fprintf(stderr, "pindle: %s: no device to work on\n", entry);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pindle: %s: %s\n", entry, e.what());
    } catch (...) {
        std::fprintf(stderr, "pindle: %s: failed\n", entry);
    }
    return kContinue;
}

}  // namespace

PINDLE_EXPORT int32_t Install_Init(void*, int32_t, int32_t, const char16_t*) { return kContinue; }

PINDLE_EXPORT int32_t Install_Exit(void*, const char16_t* installDir, uint16_t, uint16_t, uint16_t, uint16_t,
                                   uint16_t) {
    return Guarded("Install_Exit", [&] { pindle::Registration(pindle::InstallFolder(Text(installDir))).Run(); });
}

PINDLE_EXPORT int32_t Uninstall_Init(void*, const char16_t* installDir) {
    return Guarded("Uninstall_Init", [&] { pindle::Removal(pindle::InstallFolder(Text(installDir))).Run(); });
}

PINDLE_EXPORT int32_t Uninstall_Exit(void*) { return kContinue; }
