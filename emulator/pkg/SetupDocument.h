#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

// What a package's _setup.xml asks the installer to create, read and checked
// in full before anything is written.
namespace pkg {

struct FileEntry {
    std::u16string target;  // full device path
    std::u16string source;  // name of the file inside the cabinet
};

struct ShortcutEntry {
    std::u16string path;    // full device path of the shortcut file
    std::u16string target;  // target text as written into the shortcut
};

struct RegistryEntry {
    platform::Hive hive = platform::Hive::LocalMachine;
    std::u16string key;  // path below the hive
    std::vector<std::pair<std::u16string, platform::RegistryValue>> values;
};

struct SetupDocument {
    std::u16string installName;
    std::u16string installDir;  // macros expanded
    std::u16string setupDll;    // cabinet file name of the setup extension, or empty
    std::vector<std::u16string> folders;  // folders with MakeDir, in document order
    std::vector<FileEntry> files;
    std::vector<ShortcutEntry> shortcuts;
    std::vector<RegistryEntry> registry;

    // Every cabinet file the installation reads.
    std::vector<std::u16string> Sources() const;
};

// Reads and checks the document. nullopt with `error` set when it is
// malformed or names anything unsafe: the package then counts as damaged.
std::optional<SetupDocument> ParseSetupDocument(std::string_view xml, std::string* error);

class CabArchive;
// The cabinet's own "_setup.xml", extracted into `workFolder` (which must
// exist; the copy stays there), read and checked as above.
std::optional<SetupDocument> ReadSetupDocument(CabArchive& cab, const std::filesystem::path& workFolder,
                                               std::string* error);

}  // namespace pkg
