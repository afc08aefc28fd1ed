#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// Installing and removing packages on the current device (platform::
// CurrentDevice()). Both are all-or-nothing as far as the package's own
// records go: a failed installation leaves no key under \Security\AppInstall
// and nothing of what it had created; a failed removal leaves the key.
namespace pkg {

struct PackageResult {
    bool ok = false;
    std::string installName;  // UTF-8, once known
    std::string message;      // what went wrong, for people
    bool refused = false;     // the package reached into places not its own (PackagePolicy.h)
};

using ProgressFn = std::function<void(const std::string&)>;

struct InstallOptions {
    // Together the package's files may not exceed this: a small cabinet must
    // not unpack into a full disk.
    uint64_t maxBytes = 256ull << 20;
    ProgressFn progress;
};

// Installs the cabinet at `cabFile` (a host path). A package that is installed
// already is removed first, as the device's installer does.
PackageResult InstallPackage(const std::filesystem::path& cabFile, const InstallOptions& options = {});

// Settles the installations that were cut short (their installer killed, the
// power gone): one that got as far as its key is complete and keeps it; any
// other is taken back from its record, which is written ahead of each change.
// Installing and removing do this first.
void RecoverInterruptedInstallations();

// Removes the installed package `installName`: asks its setup extension, then
// deletes its files, shortcuts, registry entries, records and its key.
PackageResult RemovePackage(std::u16string_view installName, const ProgressFn& progress = {});

}  // namespace pkg
