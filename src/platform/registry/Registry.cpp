#include "platform/registry/Registry.h"

#include <mutex>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/registry/RegistryDatabase.h"

namespace platform {

RegistryKey::RegistryKey(std::shared_ptr<RegistryDatabase> db, Hive hive, int64_t id, std::u16string path)
    : db(std::move(db)), hive(hive), id(id), path(std::move(path)) {}

std::optional<RegistryKey> RegistryKey::OpenSubkey(std::u16string_view subPath) const {
    auto found = db->Find(id, path, SplitKeyPath(subPath));
    if (!found) return std::nullopt;
    return RegistryKey(db, hive, found->id, std::move(found->path));
}

std::optional<RegistryKey> RegistryKey::CreateSubkey(std::u16string_view subPath) const {
    auto found = db->Create(id, path, SplitKeyPath(subPath));
    if (!found) return std::nullopt;
    return RegistryKey(db, hive, found->id, std::move(found->path));
}

bool RegistryKey::DeleteSubkey(std::u16string_view subPath) const { return db->DeleteTree(id, SplitKeyPath(subPath)); }

std::optional<RegistryValue> RegistryKey::Read(std::u16string_view name) const {
    return db->ReadValue(id, std::u16string(name));
}

bool RegistryKey::ReadDword(std::u16string_view name, uint32_t& out) const {
    auto v = Read(name);
    if (!v || v->type != RegistryType::Dword) return false;
    out = v->dword;
    return true;
}

bool RegistryKey::ReadString(std::u16string_view name, std::u16string& out) const {
    auto v = Read(name);
    if (!v || v->type != RegistryType::String) return false;
    out = std::move(v->text);
    return true;
}

bool RegistryKey::Write(std::u16string_view name, const RegistryValue& value) const {
    return db->WriteValue(id, std::u16string(name), value);
}

bool RegistryKey::WriteDword(std::u16string_view name, uint32_t value) const {
    return Write(name, RegistryValue::Dword(value));
}

bool RegistryKey::WriteString(std::u16string_view name, std::u16string_view value) const {
    return Write(name, RegistryValue::String(std::u16string(value)));
}

bool RegistryKey::DeleteValue(std::u16string_view name) const { return db->DeleteValue(id, std::u16string(name)); }

bool RegistryKey::EnumSubkey(uint32_t index, std::u16string& name) const { return db->EnumSubkey(id, index, name); }

bool RegistryKey::EnumValue(uint32_t index, std::u16string& name, RegistryValue* value) const {
    return db->EnumValue(id, index, name, value);
}

std::vector<std::u16string> RegistryKey::Subkeys() const {
    std::vector<std::u16string> out;
    std::u16string name;
    for (uint32_t i = 0; EnumSubkey(i, name); ++i) out.push_back(name);
    return out;
}

std::vector<std::pair<std::u16string, RegistryValue>> RegistryKey::Values() const {
    std::vector<std::pair<std::u16string, RegistryValue>> out;
    std::u16string name;
    RegistryValue value;
    for (uint32_t i = 0; EnumValue(i, name, &value); ++i) out.emplace_back(name, value);
    return out;
}

std::shared_ptr<Registry> Registry::OpenFile(const std::filesystem::path& file, std::string* error) {
    auto db = RegistryDatabase::Open(file, error);
    if (!db) return nullptr;
    return std::make_shared<Registry>(std::move(db));
}

std::shared_ptr<Registry> Registry::Current() {
    static std::mutex mutex;
    static std::shared_ptr<Registry> cached;
    if (!HasCurrentDevice()) return nullptr;
    std::filesystem::path file = CurrentDevice().RegistryFile();
    std::lock_guard<std::mutex> lock(mutex);
    if (!cached || cached->db->File() != file) cached = OpenFile(file);
    return cached;
}

std::optional<RegistryKey> Registry::Root(Hive hive) const {
    return RegistryKey(db, hive, RegistryDatabase::RootId(hive), u"").OpenSubkey(u"");
}

std::optional<RegistryKey> Registry::OpenKey(Hive hive, std::u16string_view path) const {
    return RegistryKey(db, hive, RegistryDatabase::RootId(hive), u"").OpenSubkey(path);
}

std::optional<RegistryKey> Registry::CreateKey(Hive hive, std::u16string_view path) const {
    return RegistryKey(db, hive, RegistryDatabase::RootId(hive), u"").CreateSubkey(path);
}

bool Registry::DeleteKey(Hive hive, std::u16string_view path) const {
    return RegistryKey(db, hive, RegistryDatabase::RootId(hive), u"").DeleteSubkey(path);
}

std::optional<RegistryKey> OpenRegistryKey(Hive hive, std::u16string_view path) {
    auto registry = Registry::Current();
    if (!registry) return std::nullopt;
    return registry->OpenKey(hive, path);
}

std::optional<RegistryKey> CreateRegistryKey(Hive hive, std::u16string_view path) {
    auto registry = Registry::Current();
    if (!registry) return std::nullopt;
    return registry->CreateKey(hive, path);
}

bool DeleteRegistryKey(Hive hive, std::u16string_view path) {
    auto registry = Registry::Current();
    return registry && registry->DeleteKey(hive, path);
}

std::optional<std::pair<Hive, std::u16string>> ParseRegistryPath(std::u16string_view text) {
    static const std::pair<std::u16string_view, Hive> kNames[] = {
        {u"HKLM", Hive::LocalMachine},
        {u"HKEY_LOCAL_MACHINE", Hive::LocalMachine},
        {u"HKCR", Hive::ClassesRoot},
        {u"HKEY_CLASSES_ROOT", Hive::ClassesRoot},
    };
    size_t sep = text.find(u'\\');
    std::u16string_view head = text.substr(0, sep);
    for (const auto& [name, hive] : kNames) {
        if (text::EqualsIgnoreCase(head, name))
            return std::make_pair(hive, sep == std::u16string_view::npos ? std::u16string() : std::u16string(text.substr(sep + 1)));
    }
    return std::nullopt;
}

std::u16string HiveName(Hive hive) { return hive == Hive::LocalMachine ? u"HKLM" : u"HKCR"; }

bool IsSingleKeyName(std::u16string_view name) {
    if (name.empty() || name.size() > 255) return false;
    for (char16_t c : name)
        if (c == u'\\' || text::IsControl(c)) return false;
    return true;
}

}  // namespace platform
