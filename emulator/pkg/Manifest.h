#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

// What an installation created, kept so that its removal can undo exactly
// that and nothing else. Stored as manifest.json in the package's record
// folder (RecordFolder), next to its setup extension when it has one.
namespace pkg {

struct KeyRef {
    platform::Hive hive = platform::Hive::LocalMachine;
    std::u16string path;
};

struct ValueRef {
    platform::Hive hive = platform::Hive::LocalMachine;
    std::u16string key;
    std::u16string name;
    // What the value held before the installation wrote it (none: it did
    // not exist), so that an installation cut short can be taken back.
    std::optional<platform::RegistryValue> previous;
};

// A file that was in the way, kept aside (device path of the copy) until
// the installation is complete.
struct ReplacedFile {
    std::u16string path;
    std::u16string keptAt;
};

struct Manifest {
    std::u16string installName;
    std::u16string installDir;
    bool setupExtension = false;          // the record folder holds setup.so
    std::vector<std::u16string> files;    // files and shortcuts, device paths
    std::vector<std::u16string> folders;  // folders the installation created, parents first
    std::vector<KeyRef> keys;             // keys the installation created (the topmost new one)
    std::vector<ValueRef> values;         // values written into keys that were there before
    // Values written into the keys the installation created. Removal deletes
    // these and then only the created keys that are left empty, so that what
    // others wrote there since (a setup extension's values, a program's
    // settings) stays. A record made before this list existed has none, and
    // its keys go whole, as they always did.
    std::optional<std::vector<ValueRef>> createdValues = std::vector<ValueRef>{};
    // While an installation runs its record is written ahead of each change
    // and names the installer's process; 0 once the installation is complete.
    // A record of a process that is gone is an installation cut short.
    int64_t installer = 0;
    std::vector<ReplacedFile> replaced;  // only while the installation runs

    std::string ToJson() const;
    static std::optional<Manifest> FromJson(std::string_view json);
};

inline constexpr std::u16string_view kManifestName = u"manifest.json";
inline constexpr std::u16string_view kExtensionName = u"setup.so";

// Reads the manifest of an installed package; nullopt when there is none
// (a package installed by other means) or it is unreadable.
std::optional<Manifest> LoadManifest(std::u16string_view installName);
// Writes it into the package's record folder (which must exist), atomically.
bool SaveManifest(const Manifest& manifest, std::string* error);

}  // namespace pkg
