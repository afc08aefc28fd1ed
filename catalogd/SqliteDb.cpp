// The embedded engine: one SQLite file, shared by the threads of one
// instance (and by the command-line tools beside it).
#include <sqlite3.h>

#include "Db.h"

namespace catalogd {
namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw DbError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

class SqliteStmt final : public Stmt {
public:
    SqliteStmt(sqlite3* db, sqlite3_stmt* stmt) : db(db), stmt(stmt) {}
    ~SqliteStmt() override { sqlite3_finalize(stmt); }

    Stmt& Bind(int index, int64_t value) override {
        if (sqlite3_bind_int64(stmt, index, value) != SQLITE_OK) Fail(db, "bind");
        return *this;
    }
    Stmt& Bind(int index, std::string_view value) override {
        if (sqlite3_bind_text64(stmt, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
            SQLITE_OK)
            Fail(db, "bind");
        return *this;
    }
    Stmt& BindNull(int index) override {
        if (sqlite3_bind_null(stmt, index) != SQLITE_OK) Fail(db, "bind");
        return *this;
    }

    bool Step() override {
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        Fail(db, "step");
    }

    int64_t Int(int column) const override { return sqlite3_column_int64(stmt, column); }
    bool IsNull(int column) const override { return sqlite3_column_type(stmt, column) == SQLITE_NULL; }
    int ColumnCount() const override { return sqlite3_column_count(stmt); }
    std::string Text(int column) const override {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        if (!p) return {};
        return std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
    }

    void Reset() override {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }

private:
    sqlite3* db;
    sqlite3_stmt* stmt;
};

class SqliteConnection final : public Connection {
public:
    explicit SqliteConnection(const std::string& path) {
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
    ~SqliteConnection() override { sqlite3_close(db); }

    Engine Kind() const override { return Engine::Sqlite; }

    std::unique_ptr<Stmt> Prepare(const std::string& sql) override {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw,
                               nullptr) != SQLITE_OK)
            Fail(db, "prepare " + sql);
        return std::make_unique<SqliteStmt>(db, raw);
    }

    void Exec(const std::string& sql) override {
        char* err = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string msg = err ? err : "exec failed";
            sqlite3_free(err);
            throw DbError(msg + " in: " + sql.substr(0, 80));
        }
    }

    // The file's write lock from the start, not at the first write.
    void BeginWrite() override { Exec("BEGIN IMMEDIATE"); }
    bool Healthy() const override { return true; }

private:
    sqlite3* db = nullptr;
};

}  // namespace

std::unique_ptr<Connection> OpenSqlite(const std::string& path) { return std::make_unique<SqliteConnection>(path); }

}  // namespace catalogd
