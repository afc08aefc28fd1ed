#include "platform/registry/RegistryDatabase.h"

#include <sqlite3.h>

#include "base/Text.h"

namespace platform {
namespace {

// A writer waits this long for another process's transaction before the
// operation is reported as failed. Registry transactions are tiny; only a
// stuck process holds the lock this long.
constexpr int kBusyTimeoutMs = 10000;
constexpr int kSchemaVersion = 1;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name TEXT NOT NULL,
  folded TEXT NOT NULL);
CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, folded);
CREATE TABLE IF NOT EXISTS vals(
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  type INTEGER NOT NULL,
  num INTEGER,
  txt TEXT,
  PRIMARY KEY(key, folded));
INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES (1, NULL, 'HKLM', ''), (2, NULL, 'HKCR', '');
)sql";

// AUTOINCREMENT keeps ids of deleted keys from being handed out again, so an
// open handle to a deleted key can never end up pointing at a new one.

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { ok = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK; }
    ~Statement() { sqlite3_finalize(stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int i, int64_t v) {
        ok = ok && sqlite3_bind_int64(stmt, i, v) == SQLITE_OK;
        return *this;
    }
    Statement& Bind(int i, const std::string& v) {
        ok = ok && sqlite3_bind_text(stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT) == SQLITE_OK;
        return *this;
    }
    Statement& BindNull(int i) {
        ok = ok && sqlite3_bind_null(stmt, i) == SQLITE_OK;
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return ok ? sqlite3_step(stmt) : SQLITE_ERROR; }
    bool Run() { return Step() == SQLITE_DONE; }
    int64_t Int(int col) const { return sqlite3_column_int64(stmt, col); }
    std::u16string Text(int col) const {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
        int n = sqlite3_column_bytes(stmt, col);
        return p ? text::Utf8ToUtf16(std::string_view(p, static_cast<size_t>(n))) : std::u16string();
    }

private:
    sqlite3_stmt* stmt = nullptr;
    bool ok = false;
};

std::string Folded(const std::u16string& name) { return text::AsciiLower(text::Utf16ToUtf8(name)); }

RegistryValue ValueFrom(Statement& s, int typeCol) {
    if (s.Int(typeCol) == static_cast<int>(RegistryType::Dword))
        return RegistryValue::Dword(static_cast<uint32_t>(s.Int(typeCol + 1)));
    return RegistryValue::String(s.Text(typeCol + 2));
}

bool Exec(sqlite3* db, const char* sql, std::string* error) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
    if (error) *error = msg ? msg : sqlite3_errmsg(db);
    sqlite3_free(msg);
    return false;
}

std::u16string Join(const std::u16string& base, const std::u16string& part) {
    return base.empty() ? part : base + u'\\' + part;
}

}  // namespace

std::vector<std::u16string> SplitKeyPath(std::u16string_view path) {
    std::vector<std::u16string> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t next = path.find(u'\\', pos);
        if (next == std::u16string_view::npos) next = path.size();
        if (next > pos) parts.emplace_back(path.substr(pos, next - pos));
        pos = next + 1;
    }
    return parts;
}

std::shared_ptr<RegistryDatabase> RegistryDatabase::Open(const std::filesystem::path& file, std::string* error) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    std::shared_ptr<RegistryDatabase> self(new RegistryDatabase(file, db));  // owns db even when opening failed
    if (rc != SQLITE_OK) {
        if (error) *error = "cannot open registry " + file.string() + ": " + sqlite3_errstr(rc);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::string why;
    // WAL lets readers go on while another process writes; NORMAL sync in WAL
    // mode never corrupts the file, it can only lose the last commits on a
    // power cut, which the emulated device does not have.
    if (!Exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", &why)) {
        if (error) *error = "registry " + file.string() + " is not usable: " + why;
        return nullptr;
    }
    if (!self->Begin()) {
        if (error) *error = "registry " + file.string() + " is busy or unreadable: " + sqlite3_errmsg(db);
        return nullptr;
    }
    Statement version(db, "PRAGMA user_version");
    int64_t found = version.Step() == SQLITE_ROW ? version.Int(0) : -1;
    if (found != 0 && found != kSchemaVersion) {
        self->Rollback();
        if (error) *error = file.string() + " is not a registry of this system (version " + std::to_string(found) + ")";
        return nullptr;
    }
    if (!Exec(db, kSchema, &why) ||
        !Exec(db, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str(), &why) || !self->Commit()) {
        self->Rollback();
        if (error) *error = "cannot prepare registry " + file.string() + ": " + (why.empty() ? sqlite3_errmsg(db) : why);
        return nullptr;
    }
    return self;
}

RegistryDatabase::~RegistryDatabase() { sqlite3_close_v2(db); }

bool RegistryDatabase::Begin() { return Exec(db, "BEGIN IMMEDIATE", nullptr); }

bool RegistryDatabase::Commit() {
    if (Exec(db, "COMMIT", nullptr)) return true;
    Rollback();
    return false;
}

void RegistryDatabase::Rollback() {
    if (!sqlite3_get_autocommit(db)) Exec(db, "ROLLBACK", nullptr);
}

std::optional<int64_t> RegistryDatabase::Child(int64_t parent, const std::u16string& name, std::u16string* stored) {
    Statement s(db, "SELECT id, name FROM keys WHERE parent = ?1 AND folded = ?2");
    s.Bind(1, parent).Bind(2, Folded(name));
    if (s.Step() != SQLITE_ROW) return std::nullopt;
    if (stored) *stored = s.Text(1);
    return s.Int(0);
}

std::optional<int64_t> RegistryDatabase::FindLocked(int64_t from, const std::vector<std::u16string>& parts) {
    Statement exists(db, "SELECT 1 FROM keys WHERE id = ?1");
    if (exists.Bind(1, from).Step() != SQLITE_ROW) return std::nullopt;
    int64_t id = from;
    for (const auto& part : parts) {
        auto child = Child(id, part, nullptr);
        if (!child) return std::nullopt;
        id = *child;
    }
    return id;
}

std::optional<RegistryDatabase::Found> RegistryDatabase::Find(int64_t from, const std::u16string& fromPath,
                                                              const std::vector<std::u16string>& parts) {
    std::lock_guard<std::mutex> lock(mutex);
    Statement exists(db, "SELECT 1 FROM keys WHERE id = ?1");
    if (exists.Bind(1, from).Step() != SQLITE_ROW) return std::nullopt;
    Found found{from, fromPath};
    for (const auto& part : parts) {
        std::u16string stored;
        auto child = Child(found.id, part, &stored);
        if (!child) return std::nullopt;
        found.id = *child;
        found.path = Join(found.path, stored);
    }
    return found;
}

std::optional<RegistryDatabase::Found> RegistryDatabase::Create(int64_t from, const std::u16string& fromPath,
                                                                const std::vector<std::u16string>& parts) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!Begin()) return std::nullopt;
    Statement exists(db, "SELECT 1 FROM keys WHERE id = ?1");
    if (exists.Bind(1, from).Step() != SQLITE_ROW) {
        Rollback();
        return std::nullopt;
    }
    Found found{from, fromPath};
    for (const auto& part : parts) {
        std::u16string stored;
        auto child = Child(found.id, part, &stored);
        if (!child) {
            Statement insert(db, "INSERT INTO keys(parent, name, folded) VALUES (?1, ?2, ?3)");
            if (!insert.Bind(1, found.id).Bind(2, text::Utf16ToUtf8(part)).Bind(3, Folded(part)).Run()) {
                Rollback();
                return std::nullopt;
            }
            child = sqlite3_last_insert_rowid(db);
            stored = part;
        }
        found.id = *child;
        found.path = Join(found.path, stored);
    }
    if (!Commit()) return std::nullopt;
    return found;
}

bool RegistryDatabase::DeleteTree(int64_t from, const std::vector<std::u16string>& parts) {
    std::lock_guard<std::mutex> lock(mutex);
    if (parts.empty() || !Begin()) return false;  // a hive root is never deleted
    auto id = FindLocked(from, parts);
    if (!id) {
        Rollback();
        return false;
    }
    Statement values(db,
                     "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN tree ON k.parent = tree.id)"
                     " DELETE FROM vals WHERE key IN tree");
    Statement keys(db,
                   "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN tree ON k.parent = tree.id)"
                   " DELETE FROM keys WHERE id IN tree");
    if (!values.Bind(1, *id).Run() || !keys.Bind(1, *id).Run()) {
        Rollback();
        return false;
    }
    return Commit();
}

std::optional<RegistryValue> RegistryDatabase::ReadValue(int64_t key, const std::u16string& name) {
    std::lock_guard<std::mutex> lock(mutex);
    Statement s(db, "SELECT type, num, txt FROM vals WHERE key = ?1 AND folded = ?2");
    if (s.Bind(1, key).Bind(2, Folded(name)).Step() != SQLITE_ROW) return std::nullopt;
    return ValueFrom(s, 0);
}

bool RegistryDatabase::WriteValue(int64_t key, const std::u16string& name, const RegistryValue& value) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!Begin()) return false;
    Statement exists(db, "SELECT 1 FROM keys WHERE id = ?1");
    if (exists.Bind(1, key).Step() != SQLITE_ROW) {
        Rollback();
        return false;
    }
    // An update keeps the row, hence the value's place in the enumeration and
    // the spelling of its name.
    Statement s(db,
                "INSERT INTO vals(key, name, folded, type, num, txt) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"
                " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, num = excluded.num, txt = excluded.txt");
    s.Bind(1, key).Bind(2, text::Utf16ToUtf8(name)).Bind(3, Folded(name)).Bind(4, static_cast<int64_t>(value.type));
    if (value.type == RegistryType::Dword)
        s.Bind(5, static_cast<int64_t>(value.dword)).BindNull(6);
    else
        s.BindNull(5).Bind(6, text::Utf16ToUtf8(value.text));
    if (!s.Run()) {
        Rollback();
        return false;
    }
    return Commit();
}

bool RegistryDatabase::DeleteValue(int64_t key, const std::u16string& name) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!Begin()) return false;
    Statement s(db, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
    if (!s.Bind(1, key).Bind(2, Folded(name)).Run()) {
        Rollback();
        return false;
    }
    bool deleted = sqlite3_changes(db) > 0;
    return Commit() && deleted;
}

bool RegistryDatabase::EnumSubkey(int64_t key, uint32_t index, std::u16string& name) {
    std::lock_guard<std::mutex> lock(mutex);
    Statement s(db, "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
    if (s.Bind(1, key).Bind(2, static_cast<int64_t>(index)).Step() != SQLITE_ROW) return false;
    name = s.Text(0);
    return true;
}

bool RegistryDatabase::EnumValue(int64_t key, uint32_t index, std::u16string& name, RegistryValue* value) {
    std::lock_guard<std::mutex> lock(mutex);
    Statement s(db, "SELECT name, type, num, txt FROM vals WHERE key = ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
    if (s.Bind(1, key).Bind(2, static_cast<int64_t>(index)).Step() != SQLITE_ROW) return false;
    name = s.Text(0);
    if (value) *value = ValueFrom(s, 1);
    return true;
}

}  // namespace platform
