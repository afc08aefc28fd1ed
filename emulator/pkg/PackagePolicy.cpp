#include "pkg/PackagePolicy.h"

#include <algorithm>
#include <vector>

#include "base/Text.h"

using platform::Hive;

namespace pkg {
namespace {

// The store's own places: its folder, the Start-menu entry its setup
// extension makes, and the keys of its protocol, settings and records.
constexpr std::u16string_view kStorePaths[] = {
    u"\\Program Files\\Tobrix",
    u"\\Windows\\Start Menu\\Programs\\Tobrix.lnk",
    u"\\Windows\\Start Menu\\Tobrix.lnk",
};
struct KeyPlace {
    Hive hive;
    std::u16string_view path;
};
constexpr KeyPlace kStoreKeys[] = {
    {Hive::ClassesRoot, u"tobrix"},
    {Hive::LocalMachine, u"Software\\Microsoft\\Shell\\URLProtocols\\tobrix"},
    {Hive::LocalMachine, u"Software\\Tobrix"},
    {Hive::LocalMachine, u"Security\\AppInstall\\Quelt Tobrix"},
    {Hive::LocalMachine, u"Security\\Shell\\StartInfo\\Start\\Tobrix.lnk"},
};

std::string U8(std::u16string_view s) { return text::Utf16ToUtf8(s); }

// The parts of a device path or key path as the device compares them: empty
// parts dropped (doubled, leading and trailing separators), ASCII case folded.
std::vector<std::u16string> Parts(std::u16string_view path) {
    std::vector<std::u16string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = std::min(path.find(u'\\', pos), path.size());
        if (next > pos) parts.push_back(text::AsciiLower(path.substr(pos, next - pos)));
        pos = next + 1;
    }
    return parts;
}

// `path` is `place` or lies below it.
bool Within(std::u16string_view path, std::u16string_view place) {
    auto p = Parts(path), f = Parts(place);
    return p.size() >= f.size() && std::equal(f.begin(), f.end(), p.begin());
}

bool Same(std::u16string_view a, std::u16string_view b) { return Parts(a) == Parts(b); }

// Every folder and file the installation would create or write.
std::vector<std::u16string> WrittenPaths(const SetupDocument& doc) {
    std::vector<std::u16string> paths{doc.installDir};
    paths.insert(paths.end(), doc.folders.begin(), doc.folders.end());
    for (const auto& f : doc.files) paths.push_back(f.target);
    for (const auto& s : doc.shortcuts) paths.push_back(s.path);
    return paths;
}

std::string KeyText(Hive hive, std::u16string_view path) { return U8(platform::HiveName(hive)) + "\\" + U8(path); }

}  // namespace

bool IsStorePackage(std::u16string_view installName) { return text::EqualsIgnoreCase(installName, kStoreInstallName); }

std::optional<std::string> StorePlacesProblem(const SetupDocument& doc) {
    if (IsStorePackage(doc.installName)) return std::nullopt;
    if (!doc.setupDll.empty())
        return "only the store's own package may bring a setup extension (SetupDll \"" + U8(doc.setupDll) + "\")";
    for (const auto& path : WrittenPaths(doc))
        for (auto place : kStorePaths)
            if (Within(path, place)) return "the package may not write \"" + U8(path) + "\": it is the store's own";
    for (const auto& entry : doc.registry)
        for (const auto& place : kStoreKeys)
            if (entry.hive == place.hive && Within(entry.key, place.path))
                return "the package may not write the registry key " + KeyText(entry.hive, entry.key) +
                       ": it is the store's own";
    return std::nullopt;
}

std::optional<std::string> OwnershipProblem(const SetupDocument& doc, const Manifest& other,
                                            const platform::Registry& registry) {
    if (text::EqualsIgnoreCase(doc.installName, other.installName)) return std::nullopt;
    const std::string owner = " of the installed package \"" + U8(other.installName) + "\"";
    // Its install directory is its own only when it created it: a package
    // installed straight into a shared folder does not take the folder.
    const bool ownFolder = std::any_of(other.folders.begin(), other.folders.end(),
                                       [&](const auto& f) { return Same(f, other.installDir); });
    for (const auto& path : WrittenPaths(doc)) {
        if (ownFolder && Within(path, other.installDir))
            return "the package may not write \"" + U8(path) + "\" into the folder" + owner;
        for (const auto& file : other.files)
            if (Same(path, file)) return "the package may not replace \"" + U8(path) + "\"" + owner;
    }
    for (const auto& entry : doc.registry) {
        auto key = registry.OpenKey(entry.hive, entry.key);
        if (!key) continue;  // a new key holds nobody's values yet
        for (const auto& value : entry.values) {
            const std::u16string& name = value.first;
            if (!key->Read(name)) continue;
            const bool created = std::any_of(other.keys.begin(), other.keys.end(), [&](const KeyRef& k) {
                return k.hive == entry.hive && Within(entry.key, k.path);
            });
            const bool written = std::any_of(other.values.begin(), other.values.end(), [&](const ValueRef& v) {
                return v.hive == entry.hive && Same(v.key, entry.key) && text::EqualsIgnoreCase(v.name, name);
            });
            if (created || written)
                return "the package may not overwrite the registry value \"" + U8(name) + "\" of " +
                       KeyText(entry.hive, entry.key) + owner;
        }
    }
    return std::nullopt;
}

}  // namespace pkg
