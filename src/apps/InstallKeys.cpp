#include "apps/InstallKeys.h"

#include "apps/PackageNames.h"
#include "platform/registry/Registry.h"

namespace apps {

bool IsInstalled(const std::u16string& sysid) {
    return IsSafeSysid(sysid) && platform::OpenRegistryKey(platform::Hive::LocalMachine, kAppInstallKey + sysid);
}

}  // namespace apps
