#include <algorithm>

#include "base/Text.h"
#include "pkg/Manifest.h"
#include "pkg/PackageInstaller.h"
#include "pkg/PackageNames.h"
#include "pkg/PackagePolicy.h"
#include "pkg/SetupExtension.h"
#include "platform/device/DeviceRoot.h"
#include "platform/registry/Registry.h"

namespace fs = std::filesystem;
using platform::Hive;

namespace pkg {
namespace {

// Deletes a file the package put there; folders and missing files are left.
void DeleteFile(std::u16string_view devicePath) {
    auto host = platform::CurrentDevice().HostPath(devicePath);
    std::error_code ec;
    if (host && !fs::is_directory(fs::symlink_status(*host, ec))) fs::remove(*host, ec);
}

// Deletes a folder the installation created, unless something else lives in
// it now (the user's documents, a program's settings it keeps on purpose).
void DeleteFolderIfEmpty(std::u16string_view devicePath) {
    auto host = platform::CurrentDevice().HostPath(devicePath);
    std::error_code ec;
    if (host && fs::is_directory(*host, ec) && fs::is_empty(*host, ec)) fs::remove(*host, ec);
}

// Deletes `path` and then each of its parents up to `top` while they hold
// no value and no subkey: only keys on the way to what the package wrote,
// never a sibling that another program created in the meantime.
void DeleteEmptyUpTo(const platform::Registry& registry, platform::Hive hive, std::u16string path,
                     const std::u16string& top) {
    const auto inside = [&top](const std::u16string& p) {
        return text::EqualsIgnoreCase(p, top) ||
               (p.size() > top.size() && p[top.size()] == u'\\' &&
                text::EqualsIgnoreCase(std::u16string_view(p).substr(0, top.size()), top));
    };
    while (inside(path)) {
        auto key = registry.OpenKey(hive, path);
        std::u16string name;
        if (key && (key->EnumValue(0, name) || key->EnumSubkey(0, name))) return;
        if (key && !registry.DeleteKey(hive, path)) return;
        const size_t slash = path.rfind(u'\\');
        if (slash == std::u16string::npos) return;
        path.resize(slash);
    }
}

void DeleteRegistryEntries(const platform::Registry& registry, const Manifest& m) {
    for (const auto& v : m.values)
        if (auto key = registry.OpenKey(v.hive, v.key)) key->DeleteValue(v.name);
    if (m.createdValues) {
        for (const auto& v : *m.createdValues)
            if (auto key = registry.OpenKey(v.hive, v.key)) key->DeleteValue(v.name);
        for (const auto& k : m.keys)
            for (const auto& v : *m.createdValues)
                if (v.hive == k.hive) DeleteEmptyUpTo(registry, v.hive, v.key, k.path);
        return;
    }
    for (const auto& k : m.keys)
        if (registry.OpenKey(k.hive, k.path)) registry.DeleteKey(k.hive, k.path);
}

}  // namespace

PackageResult RemovePackage(std::u16string_view installName, const ProgressFn& progress) {
    PackageResult result;
    result.installName = text::Utf16ToUtf8(installName);
    auto fail = [&](std::string why) {
        result.message = std::move(why);
        return result;
    };
    if (!ValidInstallName(installName)) return fail("not a valid install name");
    if (!platform::HasCurrentDevice()) return fail("no device selected");
    RecoverInterruptedInstallations();
    auto registry = platform::Registry::Current();
    if (!registry) return fail("the device's registry cannot be opened");
    const std::u16string keyPath = AppInstallKey(installName);
    if (!registry->OpenKey(Hive::LocalMachine, keyPath)) return fail("the package is not installed");
    if (progress) progress("removing " + result.installName);

    // Without a record (a package installed by other means) only the key is
    // known to belong to the package.
    auto manifest = LoadManifest(installName);
    std::unique_ptr<SetupExtension> extension;
    // Only the store's own extension ever runs, even one an older installer
    // kept for another package.
    if (manifest && manifest->setupExtension && IsStorePackage(installName)) {
        std::string error;
        auto library = platform::CurrentDevice().HostPath(JoinDevicePath(RecordFolder(installName), kExtensionName));
        if (library) extension = SetupExtension::Load(*library, &error);
        // A package whose extension is gone or broken can still be removed;
        // refusing would leave it on the device for good.
        if (!extension && progress) progress("removing without the setup extension: " + error);
    }
    if (extension && extension->UninstallInit(manifest->installDir) != kSetupContinue)
        return fail("the setup extension refused the removal");

    if (manifest) {
        for (const auto& f : manifest->files) DeleteFile(f);
        DeleteRegistryEntries(*registry, *manifest);
        for (auto it = manifest->folders.rbegin(); it != manifest->folders.rend(); ++it) DeleteFolderIfEmpty(*it);
    }
    if (!registry->DeleteKey(Hive::LocalMachine, keyPath)) return fail("the package's key cannot be deleted");
    if (extension) {
        extension->UninstallExit();
        extension.reset();
    }
    if (auto record = platform::CurrentDevice().HostPath(RecordFolder(installName))) {
        std::error_code ec;
        fs::remove_all(*record, ec);
        fs::remove(record->parent_path(), ec);  // only when no other package is recorded
    }
    result.ok = true;
    if (progress) progress("removed " + result.installName);
    return result;
}

}  // namespace pkg
