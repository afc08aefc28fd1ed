#pragma once
#include <optional>
#include <string>
#include <string_view>

// Checks on the names the catalog hands out for packages. They arrive over
// the network and end up in file paths and registry key paths.
namespace apps {

// A sysid names one key below \Security\AppInstall: not empty, no "\", no
// control characters, at most 255 characters. Anything else is treated as
// not installed and is never installed or removed.
bool IsSafeSysid(std::u16string_view sysid);

// A package file name that stays inside the cabs folder: not empty, no "\",
// "/", ":" (drives and devices), "..", control characters, and not a reserved
// device name.
bool IsSafePackageFileName(std::u16string_view name);

// The file name a package is downloaded under: `sysid` + ".cab" when
// `install` is a URL (holds a "/"), else `install` itself. nullopt when the
// result is not a safe file name, or the sysid it is made of is not safe.
std::optional<std::u16string> PackageFileName(std::u16string_view install, std::u16string_view sysid);

// Text made safe for an XML attribute value.
std::u16string XmlEscape(std::u16string_view text);

}  // namespace apps
