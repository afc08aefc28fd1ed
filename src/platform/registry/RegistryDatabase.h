#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

struct sqlite3;

namespace platform {

// The SQLite side of the registry. Keys are rows with a parent; every write
// runs in an immediate transaction so that two processes never interleave
// half of a key creation or a recursive delete, and a busy database is waited
// for instead of failing at once. One connection per process and file, used
// by one thread at a time (the mutex): a transaction must not be shared by
// two threads.
class RegistryDatabase {
public:
    static std::shared_ptr<RegistryDatabase> Open(const std::filesystem::path& file, std::string* error);
    ~RegistryDatabase();
    RegistryDatabase(const RegistryDatabase&) = delete;
    RegistryDatabase& operator=(const RegistryDatabase&) = delete;

    const std::filesystem::path& File() const { return file; }

    struct Found {
        int64_t id;
        std::u16string path;  // stored spelling, parts joined by '\'
    };

    static int64_t RootId(Hive hive) { return hive == Hive::LocalMachine ? 1 : 2; }

    // Walks `parts` below the key `from` (whose stored path is `fromPath`).
    std::optional<Found> Find(int64_t from, const std::u16string& fromPath, const std::vector<std::u16string>& parts);
    std::optional<Found> Create(int64_t from, const std::u16string& fromPath, const std::vector<std::u16string>& parts);
    bool DeleteTree(int64_t from, const std::vector<std::u16string>& parts);

    std::optional<RegistryValue> ReadValue(int64_t key, const std::u16string& name);
    bool WriteValue(int64_t key, const std::u16string& name, const RegistryValue& value);
    bool DeleteValue(int64_t key, const std::u16string& name);
    bool EnumSubkey(int64_t key, uint32_t index, std::u16string& name);
    bool EnumValue(int64_t key, uint32_t index, std::u16string& name, RegistryValue* value);

private:
    RegistryDatabase(std::filesystem::path file, sqlite3* db) : file(std::move(file)), db(db) {}
    bool Begin();
    bool Commit();
    void Rollback();
    std::optional<int64_t> Child(int64_t parent, const std::u16string& name, std::u16string* stored);
    std::optional<int64_t> FindLocked(int64_t from, const std::vector<std::u16string>& parts);

    std::filesystem::path file;
    sqlite3* db;
    std::mutex mutex;
};

// Splits a key path at '\' and drops empty parts.
std::vector<std::u16string> SplitKeyPath(std::u16string_view path);

}  // namespace platform
