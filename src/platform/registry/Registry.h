#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The device's registry: two hives of keys holding DWORD and string values.
// On the emulated device it is registry.db (SQLite) in the device root, shared
// by Tobrix, the installer and the setup extension running as separate
// processes at the same time.
//
// Key paths are separated by '\'; leading, trailing and doubled separators are
// ignored, so "\Software\Tobrix\" and "Software\Tobrix" name the same key. Key
// and value names compare without regard to (ASCII) letter case but keep the
// spelling they were created with. The empty value name is the key's default
// value.
namespace platform {

enum class Hive { LocalMachine, ClassesRoot };

enum class RegistryType { Dword, String };

struct RegistryValue {
    RegistryType type = RegistryType::String;
    uint32_t dword = 0;
    std::u16string text;

    static RegistryValue Dword(uint32_t v) { return {RegistryType::Dword, v, {}}; }
    static RegistryValue String(std::u16string v) { return {RegistryType::String, 0, std::move(v)}; }
    bool operator==(const RegistryValue&) const = default;
};

class RegistryDatabase;

// An open key. It stays valid while the key exists; once the key (or one of
// its parents) is deleted, by this or another process, every operation on it
// fails instead of writing into a key that is no longer there.
class RegistryKey {
public:
    Hive GetHive() const { return hive; }
    // The path with the spelling stored in the registry, without leading
    // separator ("Software\Tobrix"); empty for the hive's root.
    const std::u16string& Path() const { return path; }

    // `subPath` is relative to this key and may hold several parts.
    std::optional<RegistryKey> OpenSubkey(std::u16string_view subPath) const;
    std::optional<RegistryKey> CreateSubkey(std::u16string_view subPath) const;
    // Deletes the subkey with everything below it.
    bool DeleteSubkey(std::u16string_view subPath) const;

    // nullopt when the value is missing (or the key is gone).
    std::optional<RegistryValue> Read(std::u16string_view name) const;
    // False when the value is missing or has the other type.
    bool ReadDword(std::u16string_view name, uint32_t& out) const;
    bool ReadString(std::u16string_view name, std::u16string& out) const;

    bool Write(std::u16string_view name, const RegistryValue& value) const;
    bool WriteDword(std::u16string_view name, uint32_t value) const;
    bool WriteString(std::u16string_view name, std::u16string_view value) const;
    // False when there was no such value.
    bool DeleteValue(std::u16string_view name) const;

    // Enumeration by index from 0 until it returns false. Subkeys come in
    // case-insensitive name order, values in the order they were first
    // written (rewriting a value keeps its place).
    bool EnumSubkey(uint32_t index, std::u16string& name) const;
    bool EnumValue(uint32_t index, std::u16string& name, RegistryValue* value = nullptr) const;

    // The whole lists at once, in enumeration order.
    std::vector<std::u16string> Subkeys() const;
    std::vector<std::pair<std::u16string, RegistryValue>> Values() const;

private:
    friend class Registry;
    RegistryKey(std::shared_ptr<RegistryDatabase> db, Hive hive, int64_t id, std::u16string path);

    std::shared_ptr<RegistryDatabase> db;
    Hive hive;
    int64_t id;
    std::u16string path;
};

// One registry file. Each process opens its own connection; keys opened
// through it keep the connection alive.
class Registry {
public:
    // Opens (creating it when missing) the registry file. nullptr with `error`
    // filled when the file cannot be opened or is not a registry.
    static std::shared_ptr<Registry> OpenFile(const std::filesystem::path& file, std::string* error = nullptr);
    // The registry of platform::CurrentDevice(); nullptr when no device is
    // selected or its registry cannot be opened. The connection is kept for
    // as long as the current device stays the same.
    static std::shared_ptr<Registry> Current();

    std::optional<RegistryKey> Root(Hive hive) const;
    std::optional<RegistryKey> OpenKey(Hive hive, std::u16string_view path) const;
    // Opens the key, creating it and every missing parent.
    std::optional<RegistryKey> CreateKey(Hive hive, std::u16string_view path) const;
    // Deletes the key with all its subkeys and values. A hive's root cannot be
    // deleted; a missing key is a failure.
    bool DeleteKey(Hive hive, std::u16string_view path) const;

    explicit Registry(std::shared_ptr<RegistryDatabase> db) : db(std::move(db)) {}

private:
    std::shared_ptr<RegistryDatabase> db;
};

// Shortcuts on the current device's registry; they fail (nullopt / false) when
// there is none.
std::optional<RegistryKey> OpenRegistryKey(Hive hive, std::u16string_view path);
std::optional<RegistryKey> CreateRegistryKey(Hive hive, std::u16string_view path);
bool DeleteRegistryKey(Hive hive, std::u16string_view path);

// "HKLM\Software\X", "HKEY_CLASSES_ROOT\tobrix" -> hive and the rest of the
// path. nullopt when the text does not start with a known hive name.
std::optional<std::pair<Hive, std::u16string>> ParseRegistryPath(std::u16string_view text);
std::u16string HiveName(Hive hive);  // "HKLM" or "HKCR"

// A name that can only ever be one key below its parent: not empty, at most
// 255 characters, no "\" and no control characters. Names that come from
// outside (a package's install name) are checked with it before they become
// part of a key path.
bool IsSingleKeyName(std::u16string_view name);

}  // namespace platform
