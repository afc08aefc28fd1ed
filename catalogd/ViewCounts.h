#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace catalogd {

class Db;

// The views one instance counts, written to the store together at most once
// per interval. Used with the answer cache: the counts in kept answers are
// late anyway, and a write per view would make a popular application's row
// the point every instance waits on. Safe for concurrent use.
class ViewCounts {
public:
    explicit ViewCounts(int64_t intervalMs) : intervalMs(intervalMs) {}

    void Add(int64_t appId, int64_t nowMs);
    // Writes what has collected once the interval since the first of it has
    // passed, or at once with `now`. Counts that cannot be written stay for
    // the next time; the failure is returned (empty on success).
    std::string Flush(Db& db, int64_t nowMs, bool now = false);

private:
    const int64_t intervalMs;
    std::mutex mutex;
    std::map<int64_t, int64_t> pending;
    int64_t firstMs = 0;
};

}  // namespace catalogd
