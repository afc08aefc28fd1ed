#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/Singleton.h"

namespace platform {
struct HttpHead;
}

namespace net {

// A fetched picture as the device keeps it.
struct StoredPicture {
    std::string bytes;  // as the server sent them
    // The server's validators, sent back when the copy is checked; empty
    // when it gave none.
    std::string etag;
    std::string lastModified;
    int64_t fetchedAt = 0;  // seconds since the epoch: fetched, or last confirmed unchanged
    int64_t freshFor = 0;   // seconds from then on that it is used without asking

    // A clock set back before the fetch proves nothing: the copy is checked.
    bool Fresh(int64_t now) const { return now >= fetchedAt && now - fetchedAt < freshFor; }
};

// The icons and screenshots the store fetched, kept in a folder of the
// device so that a restart of the store does not download them again. The
// picture cache in memory stays in front of it; this one spares the line.
//
// Each picture is one file, named after a hash of its URL (never after the
// URL's own text, which comes from the network), holding a header line (the
// URL, the validators, the fetch time and freshness, the length and a digest
// of the bytes) and the bytes. A file is written under a temporary name and
// renamed, so a crash leaves the old picture or the new one; one that does not
// read back whole and matching its header (cut short, damaged, another URL's)
// is deleted and counts as never kept, so it is fetched again and never shown.
// There is no index file to lose: the folder is the index, read on first use,
// and each file's last-write time keeps the order of use across restarts.
//
// The folder holds at most `limit` bytes, and never more than a quarter of
// what it and the device's free storage come to, so that pictures never take
// the room a download needs; the pictures used least recently (a file's
// last-write time, touched on each use) go first.
//
// A picture is used without asking for as long as the server's max-age
// allows, capped at `freshFor`; after that it is checked with its
// validators, and a "not modified" answer costs no body.
//
// Safe from any thread: the workers of the request queue use it at once. Its
// lock guards the index alone (which files are kept, their sizes, the order
// of their use); reading, checking, hashing and writing the files happen
// outside it, so that five workers never wait for one another's disk. A
// file being written is never chosen to make room; a file read while
// another worker replaced it is the old picture or the new one, whole. The
// lock is taken alone, never while another is held or an event fires.
class PictureStore : public Singleton<PictureStore> {
public:
    static constexpr uint64_t kDefaultLimit = uint64_t{2} << 20;
    static constexpr std::chrono::seconds kDefaultFreshFor{24 * 3600};

    // Keeps pictures in `folder`, a device path (created when first used).
    // Until then nothing is kept, and nothing is found.
    void Open(std::u16string folder, uint64_t limit = kDefaultLimit,
              std::chrono::seconds freshFor = kDefaultFreshFor);
    // Forgets the folder; the files stay for the next Open.
    void Close();
    bool IsOpen();

    // The picture kept for `url`, which counts as used; nullopt when none is
    // kept or the one kept is damaged (then it is gone).
    std::optional<StoredPicture> Find(const std::string& url);
    // Keeps the picture of a whole answer with its validators, replacing
    // what was kept for `url`. Bytes that are no picture, an answer the
    // server forbids storing, and one larger than the room are not kept.
    void Keep(const std::string& url, const std::string& bytes, const platform::HttpHead& head);
    // The server confirmed `picture` unchanged: fresh again from now, with
    // the validators the confirmation carried.
    void Confirm(const std::string& url, StoredPicture picture, const platform::HttpHead& head);
    void Forget(const std::string& url);

    // What the folder holds, as last counted.
    uint64_t Bytes();
    std::size_t Count();
    // The device path of the file that keeps `url`'s picture.
    std::u16string FileOf(const std::string& url);
    // How often a caller found the lock taken and waited for it, since the
    // folder was opened: how much the workers hold one another up.
    uint64_t LockWaits() const { return lockWaits; }

private:
    friend class Singleton<PictureStore>;
    PictureStore() = default;

    struct Item {
        uint64_t bytes = 0;
        // Which content the entry holds: each entry, and each new content of
        // one, gets the next number.
        uint64_t version = 0;
        // Since when the entry is in the index (a version number): an entry
        // dropped and kept again is another one.
        uint64_t since = 0;
        int writers = 0;  // replacing the file now, outside the lock
        std::list<std::u16string>::iterator use;  // its place in `order`
    };
    // The index's lock, counting the waits for it.
    std::unique_lock<std::mutex> Lock();

    // Reads the folder on first use; false when it cannot be used. The
    // folder is listed once, under the lock: no caller can do anything
    // before the index exists, so listing outside it would only move the
    // wait elsewhere.
    bool Ready();
    void Store(const std::string& url, const StoredPicture& picture);
    // The file of `url` is written outside the lock; what then becomes of
    // its entry.
    void Written(const std::u16string& name, const std::u16string& file, uint64_t version, uint64_t since, bool ok);
    // Lets the least recently used go until `bytes` more fit beside what is
    // kept, `replaced` and the files being written aside; `free` is the
    // device's free storage. False when they never would.
    bool MakeRoom(uint64_t bytes, uint64_t free, const std::u16string& replaced);
    void Drop(const std::u16string& name);
    // Makes an entry the most recently used.
    void Used(Item& item);
    // Seconds the server lets a copy be used without asking; nullopt when
    // it must not be kept at all.
    static std::optional<int64_t> FreshForOf(const platform::HttpHead& head);

    std::mutex lock;
    std::u16string folder;  // with its trailing separator; empty: closed
    uint64_t limit = kDefaultLimit;
    std::chrono::seconds freshFor = kDefaultFreshFor;
    bool loaded = false;
    bool usable = false;
    std::unordered_map<std::u16string, Item> items;  // by file name
    std::list<std::u16string> order;                 // the least recently used first
    uint64_t total = 0;
    uint64_t lastVersion = 0;
    std::atomic<uint64_t> lockWaits{0};
};

}  // namespace net
