// The emulated handheld's package installer:
//   wceload [/delete 0|1] [/noui] [/silent] "<device path of a .cab>"
// The device root comes from TOBRIX_DEVICE_ROOT, which the starting process
// passes along. Exit status 0 when the package was installed.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "base/Text.h"
#include "pkg/PackageInstaller.h"
#include "platform/device/DeviceRoot.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: wceload [/delete 0|1] [/noui] [/silent] \"<device path of a .cab>\"\n"
    "       (the device root comes from TOBRIX_DEVICE_ROOT)\n"
    "Installs a package on the emulated device; a host path is accepted too.\n"
    "Exit status: 0 installed, 1 installation failed, 2 usage or device error.\n";

int Usage() {
    std::cerr << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool deleteAfter = true;  // the device's installer removes the cabinet unless told not to
    std::string cab;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string lower = text::AsciiLower(arg);
        if (lower == "--help" || lower == "-h" || lower == "/?") {
            std::cout << kUsage;
            return 0;
        }
        if (lower == "/delete" && i + 1 < argc) {
            deleteAfter = std::string(argv[++i]) != "0";
        } else if (lower == "/noui" || lower == "/silent" || lower == "/noaskdest") {
            // There is no UI to suppress on the emulated device.
        } else if (arg.size() > 1 && ((arg[0] == '/' && arg.find('/', 1) == std::string::npos) || arg[0] == '-')) {
            // A dash never starts a package path here: it is a mistyped option.
            std::cerr << "wceload: unknown option " << arg << "\n";
            return Usage();
        } else if (cab.empty()) {
            cab = arg;
        } else {
            return Usage();
        }
    }
    if (cab.empty()) return Usage();

    std::string error;
    if (!platform::UseDeviceFromEnvironment(&error)) {
        std::cerr << "wceload: " << error << "\n";
        return 2;
    }
    // Device paths are what the store hands over; a host path is accepted for
    // people trying a package by hand.
    fs::path hostCab = cab;
    if (cab[0] == '\\') {
        auto mapped = platform::CurrentDevice().HostPath(text::Utf8ToUtf16(cab));
        if (!mapped) {
            std::cerr << "wceload: not a path on the device: " << cab << "\n";
            return 1;
        }
        hostCab = *mapped;
    }

    pkg::InstallOptions options;
    // Progress goes to standard error: the store that started us may be
    // writing a report of its own on standard output.
    options.progress = [](const std::string& what) { std::cerr << "wceload: " << what << std::endl; };
    pkg::PackageResult result = pkg::InstallPackage(hostCab, options);
    if (!result.ok) {
        std::cerr << "wceload: " << (result.refused ? "package refused: " : "installation failed: ") << result.message
                  << "\n";
        return 1;
    }
    if (deleteAfter) {
        std::error_code ec;
        fs::remove(hostCab, ec);
    }
    return 0;
}
