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
};

// Receives the answer. Both calls may return false to stop the transfer.
class HttpSink {
public:
    virtual ~HttpSink() = default;
    // Called once, before the first piece (or at the end for an empty body).
    // contentLength is -1 when the answer does not announce its length.
    virtual bool Begin(int status, int64_t contentLength) = 0;
    virtual bool Piece(const char* data, std::size_t size) = 0;
};

enum class HttpOutcome {
    Complete,       // the whole body arrived
    Stopped,        // the sink asked to stop
    Short,          // the connection ended before the announced length
    ConnectFailed,  // no connection (refused, unknown host, network down)
    TimedOut,       // connect, low-speed or total timeout
    Failed,         // anything else (malformed answer, TLS, read error)
};

struct HttpResult {
    HttpOutcome outcome = HttpOutcome::Failed;
    int status = 0;
    int64_t contentLength = -1;
    std::string error;
};

// Only "http" and "https" URLs are fetched; the port of the URL is used, and
// certificates are always verified. Redirects are followed (at most five).
HttpResult HttpGet(const std::string& url, const HttpOptions& options, HttpSink& sink);

}  // namespace platform
