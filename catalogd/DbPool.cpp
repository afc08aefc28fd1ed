#include "DbPool.h"

namespace catalogd {

DbPool::Lease DbPool::Acquire() {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        std::unique_ptr<Db> db;
        {
            std::unique_lock lock(mutex);
            if (!returned.wait_until(lock, deadline, [&] { return !idle.empty() || open < limit; }))
                throw DbPoolExhausted("all " + std::to_string(limit) + " database connections are in use");
            if (idle.empty()) {
                ++open;  // the place is taken before the slow connect, outside the lock
                break;
            }
            db = std::move(idle.back());
            idle.pop_back();
        }
        // A database server that restarted while the connection waited has
        // closed it; the request gets a fresh one instead of an error.
        if (db->Healthy()) return Lease(*this, std::move(db));
        db.reset();
        Forget();
    }
    try {
        return Lease(*this, std::make_unique<Db>(path));
    } catch (...) {
        Forget();
        throw;
    }
}

int DbPool::OpenCount() const {
    std::lock_guard lock(mutex);
    return open;
}

void DbPool::Forget() {
    {
        std::lock_guard lock(mutex);
        --open;
    }
    returned.notify_one();
}

void DbPool::Release(std::unique_ptr<Db> db) {
    db->ResetStatements();
    // A connection the database server dropped is not handed out again; the
    // next request opens a fresh one, so a restarted server is picked up.
    if (!db->Healthy()) {
        db.reset();
        Forget();
        return;
    }
    {
        std::lock_guard lock(mutex);
        idle.push_back(std::move(db));
    }
    returned.notify_one();
}

}  // namespace catalogd
