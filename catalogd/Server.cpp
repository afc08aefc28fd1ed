#include "Server.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>

#include "AdPages.h"
#include "AnswerCoding.h"
#include "AnswerCache.h"
#include "Catalog.h"
#include "Clock.h"
#include "ConnectionStream.h"
#include "DbPool.h"
#include "Query.h"
#include "Schema.h"
#include "Sessions.h"
#include "StaticFiles.h"
#include "Throttle.h"
#include "ViewCounts.h"
#include "XmlWriter.h"

namespace catalogd {
namespace {

constexpr const char* kXmlType = "text/xml; charset=utf-8";
constexpr std::string_view kFilesPrefix = "/files/";
constexpr std::string_view kPictureCacheControl = "max-age=86400";

bool IsSafeHost(std::string_view host) {
    if (host.empty() || host.size() > 255) return false;
    for (char c : host)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != ':' && c != '[' &&
            c != ']')
            return false;
    return true;
}

// The HTTP layer's parsing and answering of one request, driven on a
// connection whose head the acceptor has already read.
class HttpCore : public httplib::Server {
public:
    using httplib::Server::process_request;
    // Answers sent piece by piece (large files, paced downloads) go on only
    // while the HTTP layer believes its listening socket open; it is the
    // acceptor's, and closing it (INVALID_SOCKET) cuts them short at a stop.
    void SetListening(socket_t socket) { svr_sock_ = socket; }
};

std::string Refusal(bool requestLineTooLong) {
    // Only an overlong free text makes a request line that long: it is
    // answered the way the methods answer such a text.
    const std::string status = requestLineTooLong ? "414 URI Too Long" : "431 Request Header Fields Too Large";
    const std::string body = requestLineTooLong ? Envelope(kTextTooLong) : "request head too large\n";
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + (requestLineTooLong ? kXmlType : "text/plain") +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string_view RawQuery(const httplib::Request& req) {
    std::string_view target = req.target;
    size_t q = target.find('?');
    return q == std::string_view::npos ? std::string_view() : target.substr(q + 1);
}

}  // namespace

Server::Server(const std::string& dbPath, ServerOptions opts)
    : options(std::move(opts)),
      pool(std::make_unique<DbPool>(dbPath, options.dbConnections > 0 ? options.dbConnections : options.threads + 2)),
      http(std::make_unique<HttpCore>()),
      hashSlots(options.hashSlots, std::chrono::milliseconds(options.hashWaitMs)) {
    {
        auto db = pool->Acquire();
        CreateSchema(*db);
        Stmt& s = db->Prepare("SELECT value FROM meta WHERE key = 'assets'");
        if (s.Step()) assetsDir = s.Text(0);
        s.Reset();
    }
    if (!options.filesDir.empty()) assetsDir = options.filesDir;
    if (options.cacheTtlMs > 0) {
        cache = std::make_unique<AnswerCache>(options.cacheTtlMs, options.cacheBytes);
        views = std::make_unique<ViewCounts>(std::min<int64_t>(options.cacheTtlMs, 1000));
    }
    // The acceptor reads every head before a worker is taken, and keeps
    // idle kept-alive connections itself: a worker is busy only while it
    // answers. The HTTP layer's own accepting and pool are not used.
    acceptor = std::make_unique<Acceptor>(
        options.connections, options.threads,
        [this](ClientConnection& c, bool last) { return ServeConnection(c, last); }, Refusal);
    http->set_payload_max_length(64 * 1024);
    // The HTTP layer refuses request lines beyond its limit before any
    // handler sees them; only an overlong free text makes one that long, so
    // it is answered the way the methods answer such a text.
    httplib::Server::HandlerWithResponse tooLong = [this](const httplib::Request&, httplib::Response& res) {
        if (res.status != 414) return httplib::Server::HandlerResponse::Unhandled;
        res.set_content(Envelope(kTextTooLong), kXmlType);
        if (!options.quiet) std::fprintf(stderr, "request line too long %d\n", int(kTextTooLong));
        return httplib::Server::HandlerResponse::Handled;
    };
    http->set_error_handler(tooLong);
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { Handle(req, res); };
    http->Get(".*", handler);
}

Server::~Server() = default;

int Server::Bind() {
    boundPort = acceptor->Bind(options.host, options.port);
    static_cast<HttpCore&>(*http).SetListening(acceptor->ListeningSocket());
    return boundPort;
}

bool Server::ServeConnection(ClientConnection& c, bool lastRequest) {
    // A request's body, if any, and its answer may still be slow: each read
    // and write waits at most these.
    ConnectionStream stream(c, std::chrono::seconds(10), std::chrono::seconds(30));
    bool closed = false;
    const bool answered = static_cast<HttpCore&>(*http).process_request(stream, lastRequest, closed, nullptr);
    return answered && !closed;
}

std::string Server::ClientAddress(const httplib::Request& req) const {
    if (options.trustForwarded) {
        std::string forwarded = req.get_header_value("X-Real-IP");
        if (!forwarded.empty() && forwarded.size() <= 64) return forwarded;
    }
    return req.remote_addr;
}

void Server::Sweep() {
    try {
        auto db = pool->Acquire();
        const int64_t now = NowMs();
        Sessions(*db, options.service.Rules()).Sweep(now);
        Throttle(*db).Sweep(now);
    } catch (const DbError& e) {
        std::fprintf(stderr, "sweep failed, tried again later: %s\n", e.what());
    }
}

void Server::SweepUntilStopped() {
    std::unique_lock lock(sweepMutex);
    while (!sweepWake.wait_for(lock, std::chrono::milliseconds(options.sweepIntervalMs), [this] { return stopping.load(); })) {
        lock.unlock();
        Sweep();
        lock.lock();
    }
}

void Server::Run() {
    // Expired sessions and ended counting windows go on a timer, not only
    // when someone signs in, so that the tables stay small on a quiet day.
    std::thread sweeper([this] { SweepUntilStopped(); });
    if (!stopping) acceptor->Run();
    {
        std::lock_guard lock(sweepMutex);
        stopping = true;
    }
    sweepWake.notify_all();
    sweeper.join();
    if (!views) return;
    try {
        auto db = pool->Acquire();
        WriteViews(*db, NowMs(), true);
    } catch (const DbError& e) {
        std::fprintf(stderr, "view counts lost: %s\n", e.what());
    }
}

void Server::WriteViews(Db& db, int64_t nowMs, bool now) {
    std::string failure = views->Flush(db, nowMs, now);
    if (!failure.empty()) std::fprintf(stderr, "view counts not written yet: %s\n", failure.c_str());
}

void Server::Stop() {
    {
        std::lock_guard lock(sweepMutex);
        stopping = true;
    }
    sweepWake.notify_all();
    static_cast<HttpCore&>(*http).SetListening(INVALID_SOCKET);
    acceptor->Stop();
}

std::string Server::FilesUrl(const httplib::Request& req) const {
    std::string host = req.get_header_value("Host");
    if (!IsSafeHost(host)) host = options.host + ":" + std::to_string(boundPort);
    return "http://" + host + std::string(kFilesPrefix);
}

void Server::Handle(const httplib::Request& req, httplib::Response& res) {
    auto start = std::chrono::steady_clock::now();
    std::string_view path = req.path;
    std::string label;
    int code;
    try {
        if (path.starts_with(kFilesPrefix)) {
            label = "file " + std::string(path);
            code = ServeFile(path.substr(kFilesPrefix.size()), req, res);
        } else if (IsAdPath(path)) {
            label = "ads " + std::string(path);
            code = ServeAdPage(path, *pool->Acquire(), FilesUrl(req), res);
        } else if (std::string_view method = MethodOfPath(path, options.service.prefix); !method.empty()) {
            label = method;
            code = ServeApi(method, req, res);
        } else {
            label = "unknown " + std::string(path);
            code = 404;
            res.status = 404;
            res.set_content("not found\n", "text/plain");
        }
    } catch (const DbPoolExhausted& e) {
        // Too many requests at once for the store: the client may ask again.
        label += std::string(" busy: ") + e.what();
        code = 503;
        res.status = 503;
        res.set_header("Retry-After", "1");
        res.set_content("busy\n", "text/plain");
    } catch (const std::exception& e) {
        // A store failure is ours, not the client's: say so plainly and keep serving.
        label += std::string(" failed: ") + e.what();
        code = 500;
        res.status = 500;
        res.set_content("internal error\n", "text/plain");
    }
    ChooseAnswerCoding(req, res);
    if (!options.quiet) {
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "%s %d %.2f ms\n", label.c_str(), code, ms);
    }
}

int Server::ServeApi(std::string_view method, const httplib::Request& req, httplib::Response& res) {
    Query query = Query::Parse(RawQuery(req));
    auto db = pool->Acquire();
    ApiCall call{query, *db, options.service, NowMs(), FilesUrl(req), nullptr, ClientAddress(req), &hashSlots};
    ApiAnswer answer = Answer(method, call);
    if (answer.viewed && views) views->Add(answer.viewed, call.nowMs);
    else if (answer.viewed) Catalog(*db, DeviceConfig{}).CountView(answer.viewed);
    if (views) WriteViews(*db, call.nowMs, false);
    if (answer.packagePath.empty()) {
        res.set_content(Envelope(answer.code, answer.body), kXmlType);
        return answer.code;
    }
    SendOptions send;
    send.downloadName = answer.packageName;
    // Only the package itself is paced; the size query reads no body.
    if (!answer.sizeOnly) send.bytesPerSecond = options.packageRate;
    send.stop = &stopping;
    // A package answers a session's request and may be replaced by a newer
    // revision at any time: a copy is the client's alone, and asked for again.
    send.cacheControl = "private, no-cache";
    if (!SendFile(assetsDir, answer.packagePath, req, res, send)) {
        res.set_content(Envelope(kNoSuchApp), kXmlType);
        return kNoSuchApp;
    }
    // A resumed download is the same download; count only the one that
    // starts at the beginning (ranges a stale If-Range voided included). A
    // client told its copy is current downloaded nothing.
    const bool wholeOrFirst = req.ranges.empty() || req.ranges.front().first == 0;
    if (!answer.sizeOnly && req.method == "GET" && wholeOrFirst && res.status != 304)
        Catalog(*db, DeviceConfig{}).CountDownload(answer.appId);
    return answer.code;
}

ApiAnswer Server::Answer(std::string_view method, ApiCall& call) {
    ApiHandler handler = FindHandler(method);
    if (!cache || !IsCacheable(method)) return handler(call);
    ApiAnswer failure;
    std::optional<Session> session = RequireSession(call, failure);
    if (!session) return failure;
    call.session = &*session;
    std::string key = AnswerCache::Key(method, call.query, session->device, call.filesUrl);
    // The copy of a kept answer is made here, after the cache's lock is let go.
    if (auto kept = cache->Find(key, session->catalogGeneration, call.nowMs)) return *kept;
    ApiAnswer answer = handler(call);
    if (answer.code == kOk)
        cache->Put(std::move(key), session->catalogGeneration, call.nowMs, std::make_shared<const ApiAnswer>(answer));
    return answer;
}

int Server::ServeFile(std::string_view relative, const httplib::Request& req, httplib::Response& res) {
    SendOptions send;
    // Icons and screenshots change only when a catalog is seeded anew: a
    // handheld may show its copy for a day before it asks again, and then
    // the validators spare the picture's bytes. Other files (packages named
    // by URL) are asked for again each time.
    send.cacheControl = IsPicturePath(relative) ? kPictureCacheControl : "no-cache";
    if (!SendFile(assetsDir, relative, req, res, send)) {
        res.status = 404;
        res.set_content("not found\n", "text/plain");
        return 404;
    }
    return res.status < 0 ? 200 : res.status;
}

}  // namespace catalogd
