#include "platform/http/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/connection/Connection.h"
#include "platform/http/LinkShaper.h"

namespace platform {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::atomic<uint64_t> gRequests{0}, gHeaderBytes{0}, gBodyBytes{0};

// One connection cache for the whole process. On a handheld's line a new
// connection costs a round trip before the request can even go out, so
// transfers to the same server take turns on the connections already open.
// Transfers run on several worker threads at once: libcurl takes these locks
// around every use of what the transfers share.
class SharedConnections {
public:
    SharedConnections() : share(curl_share_init()) {
        if (!share) return;
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, Lock);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, Unlock);
        curl_share_setopt(share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    SharedConnections(const SharedConnections&) = delete;
    SharedConnections& operator=(const SharedConnections&) = delete;
    CURLSH* Handle() const { return share; }
    ~SharedConnections() {
        // Closes the connections still kept; by now no transfer uses them.
        if (share) curl_share_cleanup(share);
    }

private:
    static std::mutex& For(void* user, curl_lock_data data) {
        auto* self = static_cast<SharedConnections*>(user);
        const auto i = static_cast<std::size_t>(data);
        return self->locks[i < self->locks.size() ? i : 0];
    }
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) { For(user, data).lock(); }
    static void Unlock(CURL*, curl_lock_data data, void* user) { For(user, data).unlock(); }

    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
    CURLSH* share;
};

// The cache new transfers join. A transfer keeps the one it joined until it
// has ended, so that a cache given up meanwhile goes only after its last
// transfer. Never destroyed: a worker may still be transferring while the
// process's static objects go away, and the system closes the sockets.
struct CurrentCache {
    std::mutex lock;
    std::shared_ptr<SharedConnections> cache;
};
CurrentCache& Current() {
    static CurrentCache* const current = new CurrentCache();
    return *current;
}

std::shared_ptr<SharedConnections> SharedCache() {
    GlobalInit();
    std::lock_guard<std::mutex> guard(Current().lock);
    if (!Current().cache) Current().cache = std::make_shared<SharedConnections>();
    return Current().cache;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string_view Trimmed(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == '\r' || v.back() == '\n' || v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    return v;
}

// A byte count as the range header writes it: decimal digits only, no sign,
// no spaces, small enough for a file length.
std::optional<int64_t> ByteCount(std::string_view v) {
    if (v.empty() || v.size() > 18) return std::nullopt;
    int64_t n = 0;
    for (char c : v) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

// "bytes 100-199/1000" -> first 100, last 199, total 1000; "bytes */1000"
// (a refused range) -> total only. Anything else leaves the range unknown,
// which a partial answer may not be.
void ReadContentRange(std::string_view v, HttpHead& head) {
    if (!StartsWithIgnoreCase(v, "bytes ")) return;
    v.remove_prefix(6);
    const size_t slash = v.find('/');
    if (slash == std::string_view::npos) return;
    const std::string_view span = v.substr(0, slash), totalText = v.substr(slash + 1);
    const std::optional<int64_t> total = ByteCount(totalText);
    if (!total && totalText != "*") return;
    if (span == "*") {
        head.rangeTotal = total.value_or(-1);
        return;
    }
    const size_t dash = span.find('-');
    if (dash == std::string_view::npos) return;
    const std::optional<int64_t> first = ByteCount(span.substr(0, dash)), last = ByteCount(span.substr(dash + 1));
    if (!first || !last) return;
    head.rangeFirst = *first;
    head.rangeLast = *last;
    head.rangeTotal = total.value_or(-1);
}

struct Exchange {
    CURL* curl = nullptr;
    HttpSink* sink = nullptr;
    LinkShaper* link = nullptr;
    bool headersOnly = false;
    bool begun = false;
    bool stopped = false;
    bool refused = false;  // the sink itself said stop
    bool stalled = false;
    // The answer travels in a content coding that libcurl undoes.
    bool encoded = false;
    HttpHead head;
    uint64_t bodyBytes = 0;
    int connections = 0;  // opened for this transfer, redirects included
    // Silence watch: when the last byte arrived.
    std::chrono::steady_clock::duration silenceLimit{};
    std::chrono::steady_clock::time_point lastByte = std::chrono::steady_clock::now();
    curl_off_t lastCount = 0;

    bool Begin() {
        if (begun) return !stopped;
        begun = true;
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        head.status = static_cast<int>(code);
        head.contentLength = encoded ? -1 : length;
        link->Started();
        if (!sink->Begin(head)) refused = true;
        if (refused || headersOnly) stopped = true;
        return !stopped;
    }

    // Body bytes as they came over the line, before any decoding.
    uint64_t LineBytes() const {
        curl_off_t n = 0;
        curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &n);
        return static_cast<uint64_t>(std::max<curl_off_t>(n, 0));
    }
};

// libcurl's own low-speed check averages over several seconds, so a server
// that sent a little and then went quiet would hold on much longer than
// asked. This ends the transfer when no byte came for the whole limit.
int OnProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* x = static_cast<Exchange*>(user);
    if (x->begun && x->link->DropIfTimeUp()) return 1;
    if (x->sink->Stopping()) {
        x->stopped = x->refused = true;
        return 1;
    }
    const auto now = std::chrono::steady_clock::now();
    if (received != x->lastCount) {
        x->lastCount = received;
        x->lastByte = now;
        return 0;
    }
    if (x->silenceLimit.count() > 0 && now - x->lastByte >= x->silenceLimit) {
        x->stalled = true;
        return 1;
    }
    return 0;
}

// The headers of every answer on the way (redirects included): only those of
// the last one are kept.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const size_t total = size * count;
    const std::string_view line(data, total);
    auto value = [&](std::string_view name) -> std::optional<std::string_view> {
        if (!StartsWithIgnoreCase(line, name) || line.size() <= name.size() || line[name.size()] != ':')
            return std::nullopt;
        return Trimmed(line.substr(name.size() + 1));
    };
    if (StartsWithIgnoreCase(line, "HTTP/")) {
        x->head = HttpHead{};
        x->encoded = false;
    } else if (auto v = value("Content-Encoding")) {
        x->encoded = !v->empty() && !StartsWithIgnoreCase(*v, "identity");
    } else if (auto v = value("ETag")) {
        x->head.etag = *v;
    } else if (auto v = value("Last-Modified")) {
        x->head.lastModified = *v;
    } else if (auto v = value("Cache-Control")) {
        x->head.cacheControl = *v;
    } else if (auto v = value("Content-Range")) {
        ReadContentRange(*v, x->head);
    }
    return total;
}

// libcurl asks for a socket only when no kept connection will do: the
// emulated line makes the handshake cost its round trip there.
int OnNewSocket(void* user, curl_socket_t, curlsocktype purpose) {
    auto* x = static_cast<Exchange*>(user);
    if (purpose == CURLSOCKTYPE_IPCXN) {
        ++x->connections;
        x->link->WaitLatency();
    }
    return CURL_SOCKOPT_OK;
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    size_t total = size * count;
    if (!x->Begin()) return 0;
    // The emulated line lets through what it carries before it drops.
    const size_t through = x->link->Pass(total);
    const bool dropping = through < total;
    total = through;
    // The line's pace is that of the bytes it carries: a compressed answer
    // has arrived as far as its coded bytes have, whatever it decodes to.
    const uint64_t lineBytes = x->encoded ? x->LineBytes() : 0;
    for (size_t done = 0; done < total;) {
        const size_t n = std::min(kHttpPieceSize, total - done);
        if (!x->link->Pace(x->encoded ? lineBytes : x->bodyBytes + n, [x] { return x->sink->Stopping(); })) {
            x->stopped = x->refused = true;
            return 0;
        }
        if (!x->sink->Piece(data + done, n)) {
            x->stopped = x->refused = true;
            return 0;  // makes libcurl end the transfer with a write error
        }
        done += n;
        x->bodyBytes += n;
    }
    return dropping ? 0 : total;
}

HttpOutcome Classify(CURLcode rc, const Exchange& x) {
    if (x.stopped) return HttpOutcome::Stopped;
    if (x.link->Dropped()) return HttpOutcome::Dropped;
    if (x.stalled) return HttpOutcome::TimedOut;
    switch (rc) {
    case CURLE_OK: return HttpOutcome::Complete;
    case CURLE_PARTIAL_FILE: return HttpOutcome::Short;
    case CURLE_OPERATION_TIMEDOUT: return HttpOutcome::TimedOut;
    case CURLE_BAD_CONTENT_ENCODING: return HttpOutcome::Undecodable;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return HttpOutcome::ConnectFailed;
    default: return HttpOutcome::Failed;
    }
}

// Addresses taken from answers (icons, screenshots, packages) may carry
// spaces or non-ASCII text; they are sent percent-encoded, as a browser
// would, instead of being refused as malformed.
std::string EncodeUrl(const std::string& url) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (unsigned char c : url) {
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The conditions the caller asked for; null when none. Validators come from
// earlier answers: one with a line break in it is not sent, since it would
// forge a header of its own.
curl_slist* RequestHeaders(const HttpOptions& options) {
    curl_slist* list = nullptr;
    auto add = [&list](const char* name, const std::string& value) {
        if (value.empty() || value.find_first_of("\r\n") != std::string::npos) return;
        if (curl_slist* longer = curl_slist_append(list, (std::string(name) + ": " + value).c_str())) list = longer;
    };
    if (options.rangeFrom >= 0) add("If-Range", options.ifRange);
    add("If-None-Match", options.ifNoneMatch);
    add("If-Modified-Since", options.ifModifiedSince);
    return list;
}

const char* OutcomeName(HttpOutcome outcome) {
    switch (outcome) {
    case HttpOutcome::Complete: return "complete";
    case HttpOutcome::Stopped: return "stopped";
    case HttpOutcome::Short: return "short";
    case HttpOutcome::ConnectFailed: return "no connection";
    case HttpOutcome::TimedOut: return "timed out";
    case HttpOutcome::Dropped: return "dropped";
    case HttpOutcome::Undecodable: return "undecodable";
    case HttpOutcome::Failed: break;
    }
    return "failed";
}

}  // namespace

void CloseIdleConnections() {
    std::shared_ptr<SharedConnections> old;  // let go of outside the lock
    std::lock_guard<std::mutex> guard(Current().lock);
    old.swap(Current().cache);
}

HttpTraffic TrafficSoFar() { return HttpTraffic{gRequests.load(), gHeaderBytes.load(), gBodyBytes.load()}; }

HttpResult HttpGet(const std::string& url, const HttpOptions& options, HttpSink& sink) {
    HttpResult result;
    if (!NetworkIsUp()) {
        result.outcome = HttpOutcome::ConnectFailed;
        return result;
    }
    // Declared first: the transfer leaves the cache before the cache may go.
    const std::shared_ptr<SharedConnections> shared = SharedCache();
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return result;
    LinkShaper link = LinkShaper::ForCurrentDevice();
    Exchange x;
    x.curl = curl.get();
    x.sink = &sink;
    x.link = &link;
    x.headersOnly = options.headersOnly;

    CURL* c = curl.get();
    const std::string address = EncodeUrl(url);
    curl_easy_setopt(c, CURLOPT_SHARE, shared->Handle());
    curl_easy_setopt(c, CURLOPT_URL, address.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Tobrix");
    // Direct access: a proxy from the host's environment is not the device's.
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    // Workers are plain threads: no signals for timeouts.
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
    x.silenceLimit = options.lowSpeedTime;
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &x);
    if (options.totalTimeout.count() > 0)
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(options.totalTimeout.count()));
    // Larger reads from the socket; the pieces handed on stay small. On a
    // slow line the reads are small too: libcurl paces between reads, and a
    // read as large as a small file would deliver it at once.
    long buffer = 64L * 1024;
    if (link.DownBytesPerSecond() > 0) buffer = std::clamp<long>(long(link.DownBytesPerSecond() / 4), 1024L, buffer);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, buffer);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &x);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(c, CURLOPT_SOCKOPTFUNCTION, OnNewSocket);
    curl_easy_setopt(c, CURLOPT_SOCKOPTDATA, &x);
    // "": every coding this libcurl decodes, which it then undoes itself.
    if (options.compressed) curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    if (options.rangeFrom >= 0) curl_easy_setopt(c, CURLOPT_RANGE, (std::to_string(options.rangeFrom) + "-").c_str());
    const std::unique_ptr<curl_slist, void (*)(curl_slist*)> headers(RequestHeaders(options), curl_slist_free_all);
    if (headers) curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    // The device's line: libcurl's own pacing each way, per transfer.
    if (link.DownBytesPerSecond() > 0)
        curl_easy_setopt(c, CURLOPT_MAX_RECV_SPEED_LARGE, static_cast<curl_off_t>(link.DownBytesPerSecond()));
    if (link.UpBytesPerSecond() > 0)
        curl_easy_setopt(c, CURLOPT_MAX_SEND_SPEED_LARGE, static_cast<curl_off_t>(link.UpBytesPerSecond()));
    link.WaitLatency();

    const CURLcode rc = curl_easy_perform(c);
    // An answer without a body never reaches the write callback, nor does
    // one whose first coded bytes already fail to decode.
    if ((rc == CURLE_OK || rc == CURLE_BAD_CONTENT_ENCODING) && !x.begun) x.Begin();
    result.outcome = Classify(rc, x);
    if (options.headersOnly && x.begun && !x.refused) result.outcome = HttpOutcome::Complete;
    result.status = x.head.status;
    result.contentLength = x.head.contentLength;

    long headerBytes = 0;
    curl_easy_getinfo(c, CURLINFO_HEADER_SIZE, &headerBytes);
    // What the line carried: the coded size of a compressed body. Bytes the
    // emulated line withheld at a drop never reached the sink, nor count.
    const uint64_t lineBytes = x.encoded ? x.LineBytes() : x.bodyBytes;
    ++gRequests;
    gHeaderBytes += static_cast<uint64_t>(std::max(0L, headerBytes));
    gBodyBytes += lineBytes;
    link.Log(url, options.rangeFrom, result.status, static_cast<uint64_t>(std::max(0L, headerBytes)), lineBytes,
             x.connections, OutcomeName(result.outcome));
    return result;
}

}  // namespace platform
