#include "net/PictureStore.h"

#include <sodium.h>

#include <algorithm>
#include <ctime>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "platform/files/Files.h"
#include "platform/http/HttpClient.h"
#include "platform/imaging/Bitmap.h"

namespace net {
namespace {

constexpr std::u16string_view kSuffix = u".pic";
// The header line is small; a file whose first line is longer is no entry.
constexpr std::size_t kHeaderLimit = 8192;
constexpr int kVersion = 1;

std::string Digest(std::string_view bytes) {
    unsigned char hash[16];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                       nullptr, 0);
    char hex[2 * sizeof hash + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return hex;
}

// Derived from the URL, never made of it: a URL from the network names no
// file of its choosing.
std::u16string NameOf(const std::string& url) { return U16(Digest(url)) + std::u16string(kSuffix); }

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// Only pictures the device can draw are kept: an error page or a proxy's
// notice served with a 200 would otherwise be shown from the cache for a day.
bool LooksLikePicture(std::string_view b) {
    return platform::imaging::Sniff(reinterpret_cast<const uint8_t*>(b.data()), b.size()) !=
           platform::imaging::Format::Unknown;
}

bool IsEntryName(std::u16string_view name) {
    if (name.size() != 32 + kSuffix.size() || !name.ends_with(kSuffix)) return false;
    return std::all_of(name.begin(), name.end() - kSuffix.size(),
                       [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); });
}

std::string Serialize(const std::string& url, const StoredPicture& p) {
    const nlohmann::json header{{"v", kVersion},
                                {"url", url},
                                {"etag", p.etag},
                                {"lastModified", p.lastModified},
                                {"fetchedAt", p.fetchedAt},
                                {"freshFor", p.freshFor},
                                {"length", p.bytes.size()},
                                {"digest", Digest(p.bytes)}};
    return header.dump(-1, ' ', true) + "\n" + p.bytes;
}

// The picture of an entry file, when the file is whole, undamaged and the
// one of `url`.
std::optional<StoredPicture> Parse(const std::string& file, const std::string& url) {
    const std::size_t line = file.find('\n');
    if (line == std::string::npos || line > kHeaderLimit) return std::nullopt;
    const nlohmann::json h = nlohmann::json::parse(file.substr(0, line), nullptr, false);
    if (!h.is_object() || h.value("v", 0) != kVersion || h.value("url", std::string()) != url) return std::nullopt;
    StoredPicture p;
    p.bytes = file.substr(line + 1);
    p.etag = h.value("etag", std::string());
    p.lastModified = h.value("lastModified", std::string());
    p.fetchedAt = h.value("fetchedAt", int64_t{0});
    p.freshFor = h.value("freshFor", int64_t{0});
    if (h.value("length", uint64_t{0}) != p.bytes.size() || h.value("digest", std::string()) != Digest(p.bytes) ||
        !LooksLikePicture(p.bytes))
        return std::nullopt;
    return p;
}

// "max-age=600, no-cache" and the like, directive names in any case.
std::optional<int64_t> MaxAge(std::string_view cacheControl, bool& noStore, bool& noCache) {
    std::optional<int64_t> age;
    for (std::string_view rest = cacheControl; !rest.empty();) {
        const std::size_t comma = rest.find(',');
        std::string d = text::AsciiLower(rest.substr(0, comma));
        d.erase(std::remove_if(d.begin(), d.end(), [](char c) { return c == ' ' || c == '\t' || c == '"'; }),
                d.end());
        if (d == "no-store") noStore = true;
        if (d == "no-cache") noCache = true;
        if (d.starts_with("max-age=")) {
            char* end = nullptr;
            const long long v = std::strtoll(d.c_str() + 8, &end, 10);
            if (*end == '\0' && d.size() > 8) age = std::max<long long>(v, 0);
        }
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return age;
}

}  // namespace

std::unique_lock<std::mutex> PictureStore::Lock() {
    std::unique_lock<std::mutex> guard(lock, std::try_to_lock);
    if (!guard.owns_lock()) {
        ++lockWaits;
        guard.lock();
    }
    return guard;
}

void PictureStore::Open(std::u16string where, uint64_t bytes, std::chrono::seconds fresh) {
    auto guard = Lock();
    if (!where.empty() && where.back() != u'\\') where += u'\\';
    folder = std::move(where);
    limit = bytes;
    freshFor = fresh;
    loaded = usable = false;
    items.clear();
    order.clear();
    total = 0;
    lockWaits = 0;
}

void PictureStore::Close() { Open({}, kDefaultLimit, kDefaultFreshFor); }

bool PictureStore::IsOpen() {
    auto guard = Lock();
    return !folder.empty() && limit > 0;
}

bool PictureStore::Ready() {
    if (loaded) return usable;
    loaded = true;
    if (folder.empty() || limit == 0 || !platform::CreateFolders(folder)) return false;
    std::vector<platform::FileEntry> entries;
    if (!platform::ListFolder(folder, entries)) return false;
    // The order of use is the order of the files' last writes (a use
    // touches its file).
    std::stable_sort(entries.begin(), entries.end(),
                     [](const platform::FileEntry& a, const platform::FileEntry& b) { return a.modified < b.modified; });
    for (const platform::FileEntry& e : entries) {
        if (e.folder) continue;
        // Nothing but entries belongs here: anything else is dropped, so that
        // what the folder takes is what it counts.
        if (!IsEntryName(e.name)) {
            platform::DeleteFile(folder + e.name);
            continue;
        }
        Item& item = items[e.name];
        item.bytes = e.size;
        item.version = item.since = ++lastVersion;
        item.use = order.insert(order.end(), e.name);
        total += e.size;
    }
    usable = true;
    // A smaller limit than the last run's, or less room on the device.
    MakeRoom(0, platform::FreeSpace(folder).value_or(0), {});
    return true;
}

std::u16string PictureStore::FileOf(const std::string& url) {
    auto guard = Lock();
    return folder + NameOf(url);
}

std::optional<StoredPicture> PictureStore::Find(const std::string& url) {
    const std::u16string name = NameOf(url);
    std::u16string file;
    uint64_t version = 0;
    int64_t freshest = 0;
    {
        auto guard = Lock();
        if (!Ready()) return std::nullopt;
        auto it = items.find(name);
        if (it == items.end()) return std::nullopt;
        Used(it->second);
        file = folder + name;
        version = it->second.version;
        freshest = freshFor.count();
    }
    std::string bytes;
    std::optional<StoredPicture> picture;
    if (platform::ReadFile(file, bytes)) picture = Parse(bytes, url);
    if (!picture) {
        auto guard = Lock();
        auto it = items.find(name);
        // Only the content that was read is damaged: one written since, or
        // being written now, is another.
        if (it != items.end() && it->second.version == version && it->second.writers == 0 && folder + name == file)
            Drop(name);
        return std::nullopt;
    }
    platform::TouchFile(file);
    // Kept under a longer limit than this start's: this one holds.
    picture->freshFor = std::min<int64_t>(picture->freshFor, freshest);
    return picture;
}

std::optional<int64_t> PictureStore::FreshForOf(const platform::HttpHead& head) {
    bool noStore = false, noCache = false;
    const std::optional<int64_t> age = MaxAge(head.cacheControl, noStore, noCache);
    if (noStore) return std::nullopt;
    if (noCache) return 0;
    // What the server allows is kept; each start caps it with its own limit
    // when the picture is used.
    return age.value_or(kDefaultFreshFor.count());
}

void PictureStore::Keep(const std::string& url, const std::string& bytes, const platform::HttpHead& head) {
    const std::optional<int64_t> fresh = FreshForOf(head);
    if (!fresh || !LooksLikePicture(bytes)) return Forget(url);
    StoredPicture p;
    p.bytes = bytes;
    p.etag = head.etag;
    p.lastModified = head.lastModified;
    p.fetchedAt = Now();
    p.freshFor = *fresh;
    Store(url, p);
}

void PictureStore::Confirm(const std::string& url, StoredPicture picture, const platform::HttpHead& head) {
    const std::optional<int64_t> fresh = FreshForOf(head);
    if (!fresh) return Forget(url);
    // A confirmation may name the same version anew; one that names none
    // leaves the validators held.
    if (!head.etag.empty()) picture.etag = head.etag;
    if (!head.lastModified.empty()) picture.lastModified = head.lastModified;
    picture.fetchedAt = Now();
    picture.freshFor = *fresh;
    Store(url, picture);
}

void PictureStore::Forget(const std::string& url) {
    auto guard = Lock();
    if (Ready()) Drop(NameOf(url));
}

void PictureStore::Store(const std::string& url, const StoredPicture& picture) {
    const std::u16string name = NameOf(url);
    const std::string content = Serialize(url, picture);
    std::u16string where;
    {
        auto guard = Lock();
        if (!Ready()) return;
        where = folder;
    }
    const uint64_t free = platform::FreeSpace(where).value_or(0);
    uint64_t version = 0, since = 0;
    {
        auto guard = Lock();
        // Closed or moved meanwhile: the picture belongs to no folder now.
        if (folder != where || !Ready()) return;
        // What was kept for the URL is outdated either way.
        if (!MakeRoom(content.size(), free, name)) return Drop(name);
        auto [it, added] = items.try_emplace(name);
        Item& item = it->second;
        if (added) {
            item.since = lastVersion + 1;
            item.use = order.insert(order.end(), name);
        }
        total = total - item.bytes + content.size();
        item.bytes = content.size();
        item.version = ++lastVersion;
        ++item.writers;
        Used(item);
        version = item.version;
        since = item.since;
    }
    const std::u16string file = where + name;
    Written(name, file, version, since, platform::ReplaceFile(file, content));
}

void PictureStore::Written(const std::u16string& name, const std::u16string& file, uint64_t version, uint64_t since,
                           bool ok) {
    auto guard = Lock();
    auto it = items.find(name);
    if (it == items.end() || it->second.since != since || folder + name != file) {
        // Dropped while it was written: the file belongs to no entry, unless
        // the URL was kept again meanwhile, whose writer writes it anew.
        if (ok && (it == items.end() || folder + name != file)) platform::DeleteFile(file);
        return;
    }
    --it->second.writers;
    if (!ok && it->second.version == version && it->second.writers == 0) Drop(name);
}

bool PictureStore::MakeRoom(uint64_t bytes, uint64_t free, const std::u16string& replaced) {
    auto old = items.find(replaced);
    const uint64_t kept = old == items.end() ? 0 : old->second.bytes;
    // The free space counts what this folder takes as taken; what it could
    // give back is added, so the bound does not shrink as the folder fills.
    const uint64_t room = std::min(limit, (std::min(free, UINT64_MAX / 2) + total) / 4);
    if (bytes > room) return false;
    for (auto next = order.begin(); total - kept + bytes > room && next != order.end();) {
        const std::u16string name = *next++;
        if (name != replaced && items.at(name).writers == 0) Drop(name);
    }
    return total - kept + bytes <= room;
}

void PictureStore::Used(Item& item) { order.splice(order.end(), order, item.use); }

void PictureStore::Drop(const std::u16string& name) {
    platform::DeleteFile(folder + name);
    auto it = items.find(name);
    if (it == items.end()) return;
    total -= it->second.bytes;
    order.erase(it->second.use);
    items.erase(it);
}

uint64_t PictureStore::Bytes() {
    auto guard = Lock();
    Ready();
    return total;
}

std::size_t PictureStore::Count() {
    auto guard = Lock();
    Ready();
    return items.size();
}

}  // namespace net
