#include "AnswerCache.h"

#include "DeviceConfig.h"
#include "Query.h"

namespace catalogd {
namespace {

// Roughly what the map, the list and the answer's own members take besides
// the texts; enough to keep many tiny answers from slipping past the bound.
constexpr size_t kEntryOverhead = 160;

// Length-prefixed, so that no two different inputs give the same key.
void Append(std::string& key, std::string_view part) {
    key += std::to_string(part.size());
    key += ':';
    key += part;
}

}  // namespace

std::string AnswerCache::Key(std::string_view method, const Query& query, const DeviceConfig& device,
                             std::string_view filesUrl) {
    std::string key;
    Append(key, method);
    Append(key, filesUrl);
    if (device.configured) {
        Append(key, device.locale);
        Append(key, device.osver);
        for (int64_t n : {device.osBit, device.shortSide, device.longSide, device.features})
            Append(key, std::to_string(n));
    }
    for (const auto& [name, value] : query.Params()) {
        if (name == "sessionid") continue;
        Append(key, name);
        Append(key, value);
    }
    return key;
}

AnswerCache::Shared AnswerCache::Find(const std::string& key, int64_t generation, int64_t nowMs) {
    std::lock_guard lock(mutex);
    Follow(generation);
    auto it = entries.find(key);
    if (it == entries.end()) return nullptr;
    if (it->second.generation != generation || nowMs >= it->second.expiresMs) {
        Drop(it);
        return nullptr;
    }
    return it->second.answer;
}

void AnswerCache::Put(std::string key, int64_t generation, int64_t nowMs, Shared answer) {
    const size_t bytes = key.size() + answer->body.size() + kEntryOverhead;
    std::lock_guard lock(mutex);
    Follow(generation);
    if (bytes > maxBytes) return;
    if (auto it = entries.find(key); it != entries.end()) Drop(it);
    while (used + bytes > maxBytes && !oldestFirst.empty()) Drop(entries.find(oldestFirst.front()));
    oldestFirst.push_back(key);
    used += bytes;
    entries.emplace(std::move(key), Entry{std::move(answer), generation, nowMs + ttlMs, bytes, std::prev(oldestFirst.end())});
}

size_t AnswerCache::Bytes() const {
    std::lock_guard lock(mutex);
    return used;
}

void AnswerCache::Drop(Map::iterator it) {
    used -= it->second.bytes;
    oldestFirst.erase(it->second.age);
    entries.erase(it);
}

void AnswerCache::Follow(int64_t generation) {
    // Any other generation than the last one seen empties the cache: a newer
    // one after a change, an older one after the store was restored from a
    // backup. A request that read the old generation just before a change
    // may still put an answer; the next request that reads the new one
    // empties the cache again, and no answer is ever given to a request of
    // another generation than its own.
    if (generation == newest) return;
    newest = generation;
    entries.clear();
    oldestFirst.clear();
    used = 0;
}

}  // namespace catalogd
