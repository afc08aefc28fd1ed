#pragma once
#include <string>

// Where installed packages leave their mark on the device, as the installer
// and the store's own package write it.
namespace apps {

// The store's own package and where its installed revision lives.
inline constexpr const char16_t* kSelfSysid = u"Quelt Tobrix";
inline constexpr const char16_t* kSelfKey = u"\\Software\\Tobrix\\";
// The installer's key of each package, named by its install name.
inline constexpr const char16_t* kAppInstallKey = u"\\Security\\AppInstall\\";
inline constexpr const char16_t* kRevisionValue = u"TobrixRevision";
// Kept packages, below the storage card's root.
inline constexpr const char16_t* kCardFolder = u"\\Tobrix CABs\\";

// The package's installer key exists. An install name that could name
// another key is never installed.
bool IsInstalled(const std::u16string& sysid);

}  // namespace apps
