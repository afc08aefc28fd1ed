#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// One HTTP GET on libcurl. The body is handed over in pieces of at most
// kHttpPieceSize bytes so that callers can report progress at a steady grain
// whatever the network delivers at once.
namespace platform {

constexpr std::size_t kHttpPieceSize = 2048;

struct HttpOptions {
    // A server that does not accept the connection in this time fails it.
    std::chrono::milliseconds connectTimeout{15000};
    // No byte at all for this long ends the transfer: a stalled server must
    // not hold a worker forever.
    std::chrono::seconds lowSpeedTime{30};
    // Limit for the whole exchange; zero means none (downloads may be long).
    std::chrono::milliseconds totalTimeout{0};
    // Stop once the headers are in; the body is not read.
    bool headersOnly = false;
    // Asks for the body from this byte on ("Range: bytes=N-"); -1 asks for
    // all of it.
    int64_t rangeFrom = -1;
    // The validator of the copy already held ("If-Range"): a server whose
    // file has changed since answers with the whole new file instead.
    std::string ifRange;
    // The validators of a copy held whole ("If-None-Match",
    // "If-Modified-Since"): a server whose file is unchanged answers 304
    // without a body.
    std::string ifNoneMatch;
    std::string ifModifiedSince;
    // Offers the server every content coding libcurl can decode. The sink
    // still sees the answer's own bytes; only the line carries fewer. Not for
    // files: a range and a byte count must mean the bytes of the file.
    bool compressed = false;
};

// What the headers of the answer said.
struct HttpHead {
    int status = 0;
    // -1: not announced, or announced for a compressed answer: that length
    // counts the bytes on the line, not the bytes the sink receives.
    int64_t contentLength = -1;
    std::string etag;            // as sent, quotes included; empty when none
    std::string lastModified;
    std::string cacheControl;    // as sent; empty when none
    // "Content-Range: bytes FIRST-LAST/TOTAL" of a partial answer; all -1
    // when absent or malformed (TOTAL also when the server gave "*"). A
    // refused range ("bytes */TOTAL") gives TOTAL only.
    int64_t rangeFirst = -1;
    int64_t rangeLast = -1;
    int64_t rangeTotal = -1;
};

// Receives the answer. Both calls may return false to stop the transfer.
class HttpSink {
public:
    virtual ~HttpSink() = default;
    // Called once, before the first piece (or at the end for an empty body).
    virtual bool Begin(const HttpHead& head) = 0;
    virtual bool Piece(const char* data, std::size_t size) = 0;
    // Asked while the transfer waits for bytes: true ends it at once, so
    // that a cancel on a slow or silent line does not wait for the next byte.
    virtual bool Stopping() const { return false; }
};

enum class HttpOutcome {
    Complete,       // the whole body arrived
    Stopped,        // the sink asked to stop
    Short,          // the connection ended before the announced length
    ConnectFailed,  // no connection (refused, unknown host, network down)
    TimedOut,       // connect, low-speed or total timeout
    Dropped,        // the device's (emulated) link failed in the middle
    Undecodable,    // a compressed answer arrived but does not decode
    Failed,         // anything else (malformed answer, TLS, read error)
};

struct HttpResult {
    HttpOutcome outcome = HttpOutcome::Failed;
    int status = 0;
    int64_t contentLength = -1;
};

// Only "http" and "https" URLs are fetched; the port of the URL is used, and
// certificates are always verified. Redirects are followed (at most five).
// Open connections are kept for the next transfer to the same server, from
// any thread; a kept connection the server has closed meanwhile is replaced
// by a new one without the caller noticing (every transfer here is a GET).
// On a device with a data link description the transfer goes through that
// link: its speed, its delay and its drops.
HttpResult HttpGet(const std::string& url, const HttpOptions& options, HttpSink& sink);

// Lets go of the connections kept for later transfers: after the data link
// went down they lead nowhere. Transfers running now finish on theirs.
void CloseIdleConnections();

// What this process has received over the line so far, headers and bodies
// counted apart: the cost of a download on a metered link. Compressed bodies
// count as they travelled, before decoding.
struct HttpTraffic {
    uint64_t requests = 0;
    uint64_t headerBytes = 0;
    uint64_t bodyBytes = 0;
};
HttpTraffic TrafficSoFar();

}  // namespace platform
