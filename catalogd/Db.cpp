#include "Db.h"

#include <sqlite3.h>

namespace catalogd {
namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw DbError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

}  // namespace

Stmt::~Stmt() { sqlite3_finalize(stmt); }

Stmt& Stmt::Bind(int index, int64_t value) {
    if (sqlite3_bind_int64(stmt, index, value) != SQLITE_OK) Fail(db, "bind");
    return *this;
}

Stmt& Stmt::Bind(int index, double value) {
    if (sqlite3_bind_double(stmt, index, value) != SQLITE_OK) Fail(db, "bind");
    return *this;
}

Stmt& Stmt::Bind(int index, std::string_view value) {
    if (sqlite3_bind_text64(stmt, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
        SQLITE_OK)
        Fail(db, "bind");
    return *this;
}

Stmt& Stmt::BindBlob(int index, std::string_view bytes) {
    if (sqlite3_bind_blob64(stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK)
        Fail(db, "bind");
    return *this;
}

Stmt& Stmt::BindNull(int index) {
    if (sqlite3_bind_null(stmt, index) != SQLITE_OK) Fail(db, "bind");
    return *this;
}

bool Stmt::Step() {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Fail(db, "step");
}

int64_t Stmt::Int(int column) const { return sqlite3_column_int64(stmt, column); }
double Stmt::Double(int column) const { return sqlite3_column_double(stmt, column); }
int Stmt::ColumnCount() const { return sqlite3_column_count(stmt); }
bool Stmt::IsNull(int column) const { return sqlite3_column_type(stmt, column) == SQLITE_NULL; }

std::string Stmt::Text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    if (!p) return {};
    return std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
}

void Stmt::Reset() {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
}

Db::Db(const std::string& path) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        std::string msg = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        db = nullptr;
        throw DbError(msg);
    }
    // Writers wait for each other instead of failing; readers never block
    // writers in WAL mode, which is what a catalog under load needs.
    sqlite3_busy_timeout(db, 10000);
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    Exec("PRAGMA foreign_keys=ON");
}

Db::~Db() {
    cache.clear();
    sqlite3_close(db);
}

Stmt& Db::Prepare(const std::string& sql) {
    auto it = cache.find(sql);
    if (it != cache.end()) {
        it->second->Reset();
        return *it->second;
    }
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw,
                           nullptr) != SQLITE_OK)
        Fail(db, "prepare " + sql);
    auto [pos, inserted] = cache.emplace(sql, std::make_unique<Stmt>(db, raw));
    (void)inserted;
    return *pos->second;
}

void Db::ResetStatements() {
    for (auto& [sql, stmt] : cache) stmt->Reset();
}

void Db::Exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "exec failed";
        sqlite3_free(err);
        throw DbError(msg + " in: " + sql.substr(0, 80));
    }
}

int64_t Db::LastInsertId() const { return sqlite3_last_insert_rowid(db); }
int Db::Changes() const { return sqlite3_changes(db); }

Transaction::Transaction(Db& db) : db(db) { db.Exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
    if (done) return;
    try {
        db.Exec("ROLLBACK");
    } catch (const DbError&) {
        // Nothing more can be done from a destructor; the connection stays usable.
    }
}

void Transaction::Commit() {
    db.Exec("COMMIT");
    done = true;
}

}  // namespace catalogd
