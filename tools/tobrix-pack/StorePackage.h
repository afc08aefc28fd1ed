#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "formats/CabinetWriter.h"

// The store's own package: install name "Quelt Tobrix", installed into
// \Program Files\Tobrix, holding the program as Tobrix.exe, the texts, the
// skin images and the Start-menu icon, with Pindle as its setup extension.
namespace pack {

using formats::CabinetContent;
using formats::CabinetEntry;

struct StorePackageInputs {
    std::filesystem::path program;       // becomes Tobrix.exe
    std::filesystem::path setupLibrary;  // Pindle
    std::filesystem::path localization;  // localization.xml
    std::filesystem::path skinFolder;    // every *.png in it (none when it is missing)
    std::optional<std::filesystem::path> icon;  // otherwise the skin's icon.png, else a drawn one
    // Public key files (catalogd keygen's FILE.pub) of the catalogs whose
    // signed packages the device installs; at least one.
    std::vector<std::filesystem::path> trustedKeys;
};

constexpr const char* kInstallName = "Quelt Tobrix";
constexpr const char* kInstallDir = "%CE1%\\Tobrix";
constexpr const char* kSetupLibraryName = "pindle.so";
// Where the package records the keys the device trusts (one string value per
// key, named by the key's id): the store reads them before every install.
constexpr const char* kTrustedKeysKey = "HKLM\\Software\\Tobrix\\TrustedKeys";

class StorePackage {
public:
    // Gathers and checks the inputs; false with `error` when one is missing or
    // a skin image has a name the device's installer would refuse.
    bool Collect(const StorePackageInputs& inputs, std::string& error);

    // The files installed into the program folder, in cabinet order.
    const std::vector<CabinetEntry>& Payload() const { return payload; }
    // The package's _setup.xml.
    std::string SetupDocument() const;
    bool Write(const std::filesystem::path& cabinet, std::string& error) const;

private:
    bool Add(std::string name, CabinetContent content, std::string& error);
    bool AddSkin(const std::filesystem::path& folder, std::string& error);
    bool AddTrustedKeys(const std::vector<std::filesystem::path>& files, std::string& error);

    std::vector<CabinetEntry> payload;
    std::filesystem::path setupLibrary;
    std::vector<std::pair<std::string, std::string>> trustedKeys;  // (key id, public key in hexadecimal)
};

// A plain 32x32 PNG for the Start menu when the data has no icon of its own.
std::string DrawnIcon();

}  // namespace pack
