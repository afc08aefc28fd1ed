#include "platform/http/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/connection/Connection.h"

namespace platform {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Exchange {
    CURL* curl = nullptr;
    HttpSink* sink = nullptr;
    bool headersOnly = false;
    bool begun = false;
    bool stopped = false;
    bool refused = false;  // the sink itself said stop
    bool stalled = false;
    int status = 0;
    int64_t contentLength = -1;
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
        status = static_cast<int>(code);
        contentLength = length;
        if (!sink->Begin(status, contentLength)) refused = true;
        if (refused || headersOnly) stopped = true;
        return !stopped;
    }
};

// libcurl's own low-speed check averages over several seconds, so a server
// that sent a little and then went quiet would hold on much longer than
// asked. This ends the transfer when no byte came for the whole limit.
int OnProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* x = static_cast<Exchange*>(user);
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

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const size_t total = size * count;
    if (!x->Begin()) return 0;
    for (size_t done = 0; done < total;) {
        const size_t n = std::min(kHttpPieceSize, total - done);
        if (!x->sink->Piece(data + done, n)) {
            x->stopped = x->refused = true;
            return 0;  // makes libcurl end the transfer with a write error
        }
        done += n;
    }
    return total;
}

HttpOutcome Classify(CURLcode rc, const Exchange& x) {
    if (x.stopped) return HttpOutcome::Stopped;
    if (x.stalled) return HttpOutcome::TimedOut;
    switch (rc) {
    case CURLE_OK: return HttpOutcome::Complete;
    case CURLE_PARTIAL_FILE: return HttpOutcome::Short;
    case CURLE_OPERATION_TIMEDOUT: return HttpOutcome::TimedOut;
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

}  // namespace

HttpResult HttpGet(const std::string& url, const HttpOptions& options, HttpSink& sink) {
    HttpResult result;
    if (!NetworkIsUp()) {
        result.outcome = HttpOutcome::ConnectFailed;
        result.error = "the device has no data connection";
        return result;
    }
    GlobalInit();
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        result.error = "cannot create a transfer";
        return result;
    }
    Exchange x;
    x.curl = curl.get();
    x.sink = &sink;
    x.headersOnly = options.headersOnly;
    char error[CURL_ERROR_SIZE] = {};

    CURL* c = curl.get();
    const std::string address = EncodeUrl(url);
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
    // Larger reads from the socket; the pieces handed on stay small.
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 64L * 1024);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &x);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);

    const CURLcode rc = curl_easy_perform(c);
    // An answer without a body never reaches the write callback.
    if (rc == CURLE_OK && !x.begun) x.Begin();
    result.outcome = Classify(rc, x);
    if (options.headersOnly && x.begun && !x.refused) result.outcome = HttpOutcome::Complete;
    result.status = x.status;
    result.contentLength = x.contentLength;
    if (result.outcome != HttpOutcome::Complete) result.error = error[0] ? error : curl_easy_strerror(rc);
    return result;
}

}  // namespace platform
