#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace catalogd {

// Any store failure. Handlers turn it into a 500-free answer; the command
// line reports it and exits non-zero.
class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A number a database server sent as text, read as the embedded engine reads
// its own: a fraction is cut off. Nothing for anything else (a word, an
// empty text, a number beyond 64 bits), which must fail loudly rather than
// pass for a count or an id of 0.
std::optional<int64_t> ReadStoredInt(std::string_view text);

// The two engines the store runs on: an embedded file for one instance, a
// PostgreSQL database for several instances that share it.
enum class Engine { Sqlite, Postgres };

// True for a location that names a PostgreSQL database
// ("postgresql://..." or "postgres://..."); anything else is a file path.
bool IsPostgresLocation(std::string_view location);
// The location as it may be logged: a password in a URL is left out.
std::string PrintableLocation(std::string_view location);

// One prepared statement. Parameters are written ?1, ?2, ... in the SQL
// text whatever the engine; bind indexes start at 1 and columns at 0.
// Reset() makes it ready for the next use and is called automatically when
// a cached statement is fetched again.
class Stmt {
public:
    virtual ~Stmt() = default;

    virtual Stmt& Bind(int index, int64_t value) = 0;
    virtual Stmt& Bind(int index, std::string_view value) = 0;
    virtual Stmt& BindNull(int index) = 0;
    Stmt& Bind(int index, int value) { return Bind(index, static_cast<int64_t>(value)); }
    Stmt& Bind(int index, const char* value) { return Bind(index, std::string_view(value)); }
    Stmt& Bind(int index, const std::string& value) { return Bind(index, std::string_view(value)); }

    // Binds every argument in order from index 1.
    template <typename... A>
    Stmt& BindAll(const A&... args) {
        int i = 1;
        (Bind(i++, args), ...);
        return *this;
    }

    // True while a row is available.
    virtual bool Step() = 0;
    // Runs a statement that returns no rows.
    void Run() { Step(); }

    // A boolean column reads as 0 or 1 on either engine.
    virtual int64_t Int(int column) const = 0;
    virtual std::string Text(int column) const = 0;
    virtual bool IsNull(int column) const = 0;
    // Columns of the current row (after a Step that returned true).
    virtual int ColumnCount() const = 0;

    virtual void Reset() = 0;
};

// What each engine implements; Db adds the statement cache on top.
class Connection {
public:
    virtual ~Connection() = default;
    virtual Engine Kind() const = 0;
    virtual std::unique_ptr<Stmt> Prepare(const std::string& sql) = 0;
    // Runs SQL without parameters, possibly several statements.
    virtual void Exec(const std::string& sql) = 0;
    // Starts a transaction that no other writer runs beside, on any
    // instance, so that two writers never meet halfway.
    virtual void BeginWrite() = 0;
    // False once the connection is lost, as far as can be told without
    // asking the server; it is then not used again.
    virtual bool Healthy() const = 0;
};

// One connection. Not shared between threads at the same time (DbPool hands
// out one per request).
class Db {
public:
    // A file path (created when missing) or a PostgreSQL URL.
    explicit Db(const std::string& location);
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    Engine Kind() const { return connection->Kind(); }
    // A cached statement for this SQL text, reset and unbound.
    Stmt& Prepare(const std::string& sql);
    void Exec(const std::string& sql) { connection->Exec(sql); }
    void BeginWrite() { connection->BeginWrite(); }
    bool Healthy() const { return connection->Healthy(); }

    // A single integer from a query, empty when it has no row.
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
    std::unique_ptr<Connection> connection;
    std::map<std::string, std::unique_ptr<Stmt>, std::less<>> cache;
};

// A write transaction (see Connection::BeginWrite); rolls back unless
// Commit() was called.
class Transaction {
public:
    explicit Transaction(Db& db);
    ~Transaction();
    void Commit();

private:
    Db& db;
    bool done = false;
};

std::unique_ptr<Connection> OpenSqlite(const std::string& path);
std::unique_ptr<Connection> OpenPostgres(const std::string& url);

}  // namespace catalogd
