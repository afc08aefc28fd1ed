#include "DbPool.h"

namespace catalogd {

DbPool::Lease DbPool::Acquire() {
    for (;;) {
        std::unique_ptr<Db> db;
        {
            std::lock_guard lock(mutex);
            if (idle.empty()) break;
            db = std::move(idle.back());
            idle.pop_back();
        }
        // A database server that restarted while the connection waited has
        // closed it; the request gets a fresh one instead of an error.
        if (db->Healthy()) return Lease(*this, std::move(db));
    }
    return Lease(*this, std::make_unique<Db>(path));
}

void DbPool::Release(std::unique_ptr<Db> db) {
    db->ResetStatements();
    // A connection the database server dropped is not handed out again; the
    // next request opens a fresh one, so a restarted server is picked up.
    if (!db->Healthy()) return;
    std::lock_guard lock(mutex);
    idle.push_back(std::move(db));
}

}  // namespace catalogd
