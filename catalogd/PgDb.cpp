// The shared engine: a PostgreSQL database that every instance of the
// service uses at once, reached through libpq.
#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "Db.h"

namespace catalogd {
namespace {

// Any number will do as long as every instance takes the same one: it names
// the lock that lets only one writer into the store at a time.
constexpr const char* kWriterLock = "SELECT pg_advisory_xact_lock(7431001)";

// "?12" becomes "$12" outside quoted text; `count` gets the highest number.
std::string NumberedParameters(const std::string& sql, int& count) {
    std::string out;
    out.reserve(sql.size());
    count = 0;
    char quote = 0;
    for (size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '?' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9') {
            int n = 0;
            auto [end, ec] = std::from_chars(sql.data() + i + 1, sql.data() + sql.size(), n);
            if (ec != std::errc()) throw DbError("parameter number out of range in: " + sql);
            count = std::max(count, n);
            out += '$';
            out.append(sql.data() + i + 1, end);
            i = static_cast<size_t>(end - sql.data()) - 1;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

// A result that frees itself.
struct Result {
    PGresult* r = nullptr;
    explicit Result(PGresult* r) : r(r) {}
    ~Result() { PQclear(r); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
};

[[noreturn]] void Fail(PGconn* conn, const std::string& what, const PGresult* result) {
    const char* message = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
    std::string text = message && *message ? message : "unknown failure";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    throw DbError(what + ": " + text);
}

bool Succeeded(const PGresult* result) {
    ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

class PgStmt final : public Stmt {
public:
    PgStmt(PGconn* conn, std::string name, int count) : conn(conn), name(std::move(name)), values(count) {}
    ~PgStmt() override { PQclear(result); }

    Stmt& Bind(int index, int64_t value) override { return Set(index, std::to_string(value)); }
    Stmt& Bind(int index, std::string_view value) override { return Set(index, std::string(value)); }
    Stmt& BindNull(int index) override { return Set(index, std::nullopt); }

    bool Step() override {
        if (!result) Execute();
        return ++row < PQntuples(result);
    }

    int64_t Int(int column) const override {
        const char* v = PQgetvalue(result, row, column);
        // Booleans come as "t" and "f" where the embedded engine says 1 and 0.
        if (v[0] == 't' && v[1] == 0) return 1;
        if (v[0] == 'f' && v[1] == 0) return 0;
        if (IsNull(column)) return 0;
        std::string_view text(v, static_cast<size_t>(PQgetlength(result, row, column)));
        if (auto n = ReadStoredInt(text)) return *n;
        throw DbError("column " + std::to_string(column) + " of " + name +
                      " is not a whole number: " + std::string(text.substr(0, 40)));
    }
    std::string Text(int column) const override {
        return std::string(PQgetvalue(result, row, column), static_cast<size_t>(PQgetlength(result, row, column)));
    }
    bool IsNull(int column) const override { return PQgetisnull(result, row, column) != 0; }
    int ColumnCount() const override { return result ? PQnfields(result) : 0; }

    void Reset() override {
        PQclear(result);
        result = nullptr;
        row = -1;
        for (auto& v : values) v.reset();
    }

private:
    Stmt& Set(int index, std::optional<std::string> value) {
        if (index < 1 || index > static_cast<int>(values.size()))
            throw DbError("bind: no parameter ?" + std::to_string(index) + " in " + name);
        values[static_cast<size_t>(index - 1)] = std::move(value);
        return *this;
    }

    void Execute() {
        std::vector<const char*> params;
        params.reserve(values.size());
        for (const auto& v : values) params.push_back(v ? v->c_str() : nullptr);
        result = PQexecPrepared(conn, name.c_str(), static_cast<int>(params.size()), params.data(), nullptr,
                                nullptr, 0);
        if (!Succeeded(result)) {
            PGresult* failed = result;
            result = nullptr;
            Result owner(failed);
            Fail(conn, "step", failed);
        }
        row = -1;
    }

    PGconn* conn;
    std::string name;
    std::vector<std::optional<std::string>> values;
    PGresult* result = nullptr;
    int row = -1;
};

class PgConnection final : public Connection {
public:
    explicit PgConnection(const std::string& url) {
        const char* keys[] = {"dbname", "client_encoding", "application_name", nullptr};
        const char* values[] = {url.c_str(), "UTF8", "catalogd", nullptr};
        conn = PQconnectdbParams(keys, values, 1);
        if (!conn || PQstatus(conn) != CONNECTION_OK) {
            std::string message = conn ? PQerrorMessage(conn) : "out of memory";
            while (!message.empty() && message.back() == '\n') message.pop_back();
            PQfinish(conn);
            throw DbError("cannot reach " + PrintableLocation(url) + ": " + message);
        }
        // "already exists, skipping" and the like are no business of the log.
        PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
        // Every statement planned for the values it is run with: a plan
        // made once for unknown values cannot tell a category's list from
        // the whole catalog's, or a search switched off from one given.
        Exec("SET plan_cache_mode = force_custom_plan");
    }
    ~PgConnection() override { PQfinish(conn); }

    Engine Kind() const override { return Engine::Postgres; }

    std::unique_ptr<Stmt> Prepare(const std::string& sql) override {
        int count = 0;
        std::string text = NumberedParameters(sql, count);
        std::string name = std::to_string(++statements);
        name.insert(name.begin(), 's');
        Result prepared(PQprepare(conn, name.c_str(), text.c_str(), 0, nullptr));
        if (!Succeeded(prepared.r)) Fail(conn, "prepare " + sql, prepared.r);
        return std::make_unique<PgStmt>(conn, name, count);
    }

    void Exec(const std::string& sql) override {
        Result result(PQexec(conn, sql.c_str()));
        if (!Succeeded(result.r)) Fail(conn, "exec " + sql.substr(0, 80), result.r);
    }

    void BeginWrite() override {
        Exec("BEGIN");
        try {
            Exec(kWriterLock);
        } catch (const DbError&) {
            Exec("ROLLBACK");
            throw;
        }
    }

    // A connection left inside a transaction is as unusable as a lost one.
    // An idle connection is never sent anything but its end (the server
    // stopping or restarting says goodbye and closes it), so one with
    // something to read is lost too.
    bool Healthy() const override {
        if (PQstatus(conn) != CONNECTION_OK || PQtransactionStatus(conn) != PQTRANS_IDLE) return false;
        pollfd socket{PQsocket(conn), POLLIN, 0};
        return poll(&socket, 1, 0) == 0;
    }

private:
    PGconn* conn = nullptr;
    int statements = 0;
};

}  // namespace

std::unique_ptr<Connection> OpenPostgres(const std::string& url) { return std::make_unique<PgConnection>(url); }

}  // namespace catalogd
