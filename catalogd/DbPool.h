#pragma once
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Db.h"

namespace catalogd {

// Every connection is in use and none came back within the pool's wait.
class DbPoolExhausted : public DbError {
public:
    using DbError::DbError;
};

// Connections are opened on demand and kept for reuse, so that each worker
// thread keeps its prepared statements warm without sharing a connection.
// At most `limit` are open at once (a database server refuses connections
// beyond its own limit, which several instances share): a request that
// finds them all leased waits up to `wait` for one to come back, then gets
// DbPoolExhausted. Safe for concurrent use.
class DbPool {
public:
    // `path`: a store file or a PostgreSQL URL.
    explicit DbPool(std::string path, int limit = 64,
                    std::chrono::milliseconds wait = std::chrono::seconds(10))
        : path(std::move(path)), limit(limit < 1 ? 1 : limit), wait(wait) {}

    class Lease {
    public:
        Lease(DbPool& pool, std::unique_ptr<Db> db) : pool(&pool), db(std::move(db)) {}
        Lease(Lease&&) = default;
        ~Lease() {
            if (db) pool->Release(std::move(db));
        }
        Db& operator*() { return *db; }
        Db* operator->() { return db.get(); }

    private:
        DbPool* pool;
        std::unique_ptr<Db> db;
    };

    Lease Acquire();
    const std::string& Path() const { return path; }
    // Connections open now, leased or idle.
    int OpenCount() const;

private:
    // One connection's place is given up (it closed, or could not be opened).
    void Forget();
    void Release(std::unique_ptr<Db> db);

    const std::string path;
    const int limit;
    const std::chrono::milliseconds wait;
    mutable std::mutex mutex;
    std::condition_variable returned;
    std::vector<std::unique_ptr<Db>> idle;
    int open = 0;
};

}  // namespace catalogd
