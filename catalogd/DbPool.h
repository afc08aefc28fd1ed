#pragma once
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Db.h"

namespace catalogd {

// Connections are opened on demand and kept for reuse, so that each worker
// thread keeps its prepared statements warm without sharing a connection.
class DbPool {
public:
    // `path`: a store file or a PostgreSQL URL.
    explicit DbPool(std::string path) : path(std::move(path)) {}

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

private:
    void Release(std::unique_ptr<Db> db);

    std::string path;
    std::mutex mutex;
    std::vector<std::unique_ptr<Db>> idle;
};

}  // namespace catalogd
