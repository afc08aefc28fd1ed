#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace catalogd {

// What one installable package holds and what the device's installer makes
// of it: files in the install folder, a Start-menu shortcut, registry values.
struct PackageLayout {
    struct File {
        std::string target;  // file name in the install folder
        std::string source;  // name inside the cabinet
        std::string bytes;
    };
    struct RegValue {
        std::string name;
        std::string value;
        bool integer = false;
    };

    std::string installName;  // the catalog's sysid
    std::string installDir;   // e.g. "%CE1%\Notes"
    std::vector<File> files;
    std::string shortcutName;    // e.g. "Notes.lnk"; empty for none
    std::string shortcutTarget;  // a file of `files`
    std::string registryKey;     // e.g. "HKLM\Software\Vendor\Notes"; empty for none
    std::vector<RegValue> registryValues;
};

// The provisioning document "_setup.xml" of the package.
std::string BuildSetupXml(const PackageLayout& layout);

// The cabinet: "_setup.xml" and the payload files, MSZIP-compressed, with a
// fixed file date so that the same layout always gives the same bytes.
std::string BuildCabinet(const PackageLayout& layout);

}  // namespace catalogd
