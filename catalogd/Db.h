#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace catalogd {

// Any SQLite failure. Handlers turn it into a 500-free answer; the command
// line reports it and exits non-zero.
class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One prepared statement. Bind indexes start at 1, as SQLite counts them;
// columns start at 0. Reset() makes it ready for the next use and is called
// automatically when a cached statement is fetched again.
class Stmt {
public:
    Stmt(sqlite3* db, sqlite3_stmt* stmt) : db(db), stmt(stmt) {}
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& Bind(int index, int64_t value);
    Stmt& Bind(int index, int value) { return Bind(index, static_cast<int64_t>(value)); }
    Stmt& Bind(int index, double value);
    Stmt& Bind(int index, std::string_view value);
    Stmt& Bind(int index, const char* value) { return Bind(index, std::string_view(value)); }
    Stmt& BindBlob(int index, std::string_view bytes);
    Stmt& BindNull(int index);

    // Binds every argument in order from index 1.
    template <typename... A>
    Stmt& BindAll(const A&... args) {
        int i = 1;
        (Bind(i++, args), ...);
        return *this;
    }

    // True while a row is available.
    bool Step();
    // Runs a statement that returns no rows.
    void Run() { Step(); }

    int64_t Int(int column) const;
    double Double(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;
    int ColumnCount() const;

    void Reset();

private:
    sqlite3* db;
    sqlite3_stmt* stmt;
};

// One connection. Not shared between threads at the same time (DbPool hands
// out one per request).
class Db {
public:
    explicit Db(const std::string& path);
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // A cached statement for this SQL text, reset and unbound.
    Stmt& Prepare(const std::string& sql);
    void Exec(const std::string& sql);
    int64_t LastInsertId() const;
    int Changes() const;

    // A single integer or text from a query, empty when it has no row.
    template <typename... A>
    std::optional<int64_t> QueryInt(const std::string& sql, const A&... args) {
        Stmt& s = Prepare(sql);
        s.BindAll(args...);
        std::optional<int64_t> value;
        if (s.Step()) value = s.Int(0);
        s.Reset();
        return value;
    }

    // Resets every cached statement, so that none keeps a read transaction
    // (and with it an old snapshot of the store) open between requests.
    void ResetStatements();

private:
    sqlite3* db = nullptr;
    std::map<std::string, std::unique_ptr<Stmt>, std::less<>> cache;
};

// BEGIN IMMEDIATE on construction so that two writers never meet halfway;
// rolls back unless Commit() was called.
class Transaction {
public:
    explicit Transaction(Db& db);
    ~Transaction();
    void Commit();

private:
    Db& db;
    bool done = false;
};

}  // namespace catalogd
