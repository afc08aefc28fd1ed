#pragma once
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Api.h"

namespace catalogd {

struct DeviceConfig;
class Query;

// Answers that say the same to every session whose device is described the
// same way (category trees, lists, details, reviews, tags), kept by one
// instance for a short while. An answer is used again only while its time
// lasts and the catalog is still in the generation it was made in; the
// generation lives in the store and moves with every publish, rating or
// seed on whichever instance it happened. Counters that move with every
// request (views, downloads) may lag by up to the time an answer is kept.
// Safe for concurrent use.
class AnswerCache {
public:
    // `maxBytes` bounds what is kept: search texts make keys without end.
    AnswerCache(int64_t ttlMs, size_t maxBytes) : ttlMs(ttlMs), maxBytes(maxBytes) {}

    // Everything a cacheable answer depends on besides the catalog: the
    // method, its parameters but the session, the device and the address
    // the files are offered under.
    static std::string Key(std::string_view method, const Query& query, const DeviceConfig& device,
                           std::string_view filesUrl);

    // A kept answer is shared, never changed: the lock is held only to find
    // it, and the caller reads (or copies) it while others do the same.
    using Shared = std::shared_ptr<const ApiAnswer>;
    Shared Find(const std::string& key, int64_t generation, int64_t nowMs);
    void Put(std::string key, int64_t generation, int64_t nowMs, Shared answer);
    // What the kept answers take, keys included.
    size_t Bytes() const;

private:
    struct Entry {
        Shared answer;
        int64_t generation;
        int64_t expiresMs;
        size_t bytes;
        std::list<std::string>::iterator age;
    };
    using Map = std::unordered_map<std::string, Entry>;

    void Drop(Map::iterator it);
    // Forgets everything once another generation is seen.
    void Follow(int64_t generation);

    const int64_t ttlMs;
    const size_t maxBytes;
    mutable std::mutex mutex;
    Map entries;
    std::list<std::string> oldestFirst;
    size_t used = 0;
    int64_t newest = 0;
};

}  // namespace catalogd
