#include "DeviceBuilder.h"

#include <fstream>
#include <vector>

#include "base/Text.h"
#include "platform/registry/Registry.h"

namespace fs = std::filesystem;

namespace devicectl {
namespace {

struct Driver {
    const char16_t* slot;
    const char16_t* key;
    const char16_t* name;
};

// Drivers every profile has; the GPS receiver's is added for GPS profiles.
const Driver kDrivers[] = {
    {u"01", u"Drivers\\BuiltIn\\Serial", u"COM1:"},
    {u"02", u"Drivers\\BuiltIn\\Battery", u"BAT1:"},
    {u"03", u"Drivers\\BuiltIn\\Touch", u"TCH1:"},
};
const Driver kGpsDriver = {u"14", u"Drivers\\BuiltIn\\GPSID", u"GPD0:"};

bool MakeFolders(const fs::path& dir, const platform::DeviceInfo& info, std::string& error) {
    std::vector<fs::path> folders = {dir / "Windows" / "Start Menu" / "Programs", dir / "Program Files",
                                     dir / "My Documents"};
    for (const auto& card : info.storageCards) folders.push_back(dir / card);
    for (const auto& f : folders) {
        std::error_code ec;
        fs::create_directories(f, ec);
        if (ec) {
            error = "cannot create " + f.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

// Libraries every handheld carries, whatever its profile: the HTML viewer.
const std::vector<std::string> kStandardLibraries = {"htmlview.dll"};

bool MakeLibraries(const fs::path& dir, const Profile& profile, std::string& error) {
    std::vector<std::string> libraries = kStandardLibraries;
    libraries.insert(libraries.end(), profile.libraries.begin(), profile.libraries.end());
    for (const auto& lib : libraries) {
        std::ofstream out(dir / "Windows" / lib);
        out << "probe library of the emulated device\n";
        if (!out.flush()) {
            error = "cannot write " + (dir / "Windows" / lib).string();
            return false;
        }
    }
    return true;
}

bool WriteDriver(const platform::Registry& reg, const Driver& d) {
    auto key = reg.CreateKey(platform::Hive::LocalMachine, std::u16string(u"Drivers\\Active\\") + d.slot);
    return key && key->WriteString(u"Key", d.key) && key->WriteString(u"Name", d.name);
}

bool MakeRegistry(const fs::path& file, const Profile& profile, std::string& error) {
    auto reg = platform::Registry::OpenFile(file, &error);
    if (!reg) return false;
    using platform::Hive;
    bool ok = true;
    for (const auto& d : kDrivers) ok = ok && WriteDriver(*reg, d);
    if (profile.gpsDriver) ok = ok && WriteDriver(*reg, kGpsDriver);
    // The installed-package list starts with the two housekeeping keys every
    // device carries; they are not packages.
    ok = ok && reg->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\ExtensionOptions");
    ok = ok && reg->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\TSKAllowed");
    ok = ok && reg->CreateKey(Hive::LocalMachine, u"Software\\Microsoft\\Shell\\URLProtocols");
    ok = ok && reg->CreateKey(Hive::LocalMachine, u"Security\\Shell\\StartInfo\\Start");
    if (!ok) error = "cannot write the registry " + file.string();
    return ok;
}

}  // namespace

bool CreateDevice(const fs::path& dir, const Profile& profile, int orientation, std::string& error) {
    if (orientation != 0 && orientation != 90 && orientation != 180 && orientation != 270) {
        error = "orientation must be 0, 90, 180 or 270";
        return false;
    }
    std::error_code ec;
    if (fs::exists(dir / "device.json", ec) || fs::exists(dir / "registry.db", ec)) {
        error = dir.string() + " already holds a device";
        return false;
    }
    fs::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir.string() + ": " + ec.message();
        return false;
    }
    platform::DeviceInfo info = profile.info;
    info.orientation = orientation;
    if (orientation == 90 || orientation == 270) std::swap(info.screenWidth, info.screenHeight);
    platform::DeviceRoot root(fs::absolute(dir), info);
    return MakeFolders(root.Root(), info, error) && MakeLibraries(root.Root(), profile, error) &&
           MakeRegistry(root.RegistryFile(), profile, error) && root.Save(&error);
}

}  // namespace devicectl
