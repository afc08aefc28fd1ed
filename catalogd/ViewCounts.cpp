#include "ViewCounts.h"

#include "Db.h"

namespace catalogd {

void ViewCounts::Add(int64_t appId, int64_t nowMs) {
    std::lock_guard lock(mutex);
    if (pending.empty()) firstMs = nowMs;
    ++pending[appId];
}

std::string ViewCounts::Flush(Db& db, int64_t nowMs, bool now) {
    std::map<int64_t, int64_t> taken;
    {
        std::lock_guard lock(mutex);
        if (pending.empty() || (!now && nowMs - firstMs < intervalMs)) return {};
        taken.swap(pending);
    }
    try {
        Transaction tx(db);
        for (const auto& [appId, views] : taken)
            db.Prepare("UPDATE apps SET views = views + ?2 WHERE id = ?1").BindAll(appId, views).Run();
        tx.Commit();
        return {};
    } catch (const DbError& e) {
        std::lock_guard lock(mutex);
        if (pending.empty()) firstMs = nowMs;
        for (const auto& [appId, views] : taken) pending[appId] += views;
        return e.what();
    }
}

}  // namespace catalogd
