#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Acceptor.h"
#include "Api.h"
#include "HashSlots.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace catalogd {

class AnswerCache;
class Db;
class DbPool;
class ViewCounts;

struct ServerOptions {
    ServiceOptions service;
    std::string host = "127.0.0.1";
    int port = 8080;  // 0: let the system choose
    bool quiet = false;
    int threads = 16;
    // Database connections open at once (0: one per worker, one for the
    // sweeper and one spare); a request that finds them all in use waits
    // for one and is answered "busy" if none comes back in time.
    int dbConnections = 0;
    // Package downloads at most this many bytes per second (0: no limit), so
    // that tests and people can watch or break a download half-way.
    int64_t packageRate = 0;
    // How long an answer that does not depend on the session's own data is
    // used again (0: never), and how much the kept answers may take. With
    // kept answers, views are written to the store once a second at most.
    int64_t cacheTtlMs = 0;
    size_t cacheBytes = 64 << 20;
    // The folder of packages and pictures, where this instance sees it;
    // empty: where the store says the seed put it.
    std::string filesDir;
    // What slow and greedy clients may hold (see Acceptor).
    AcceptorLimits connections;
    // Password hashes at once (0: fitted to the machine), and how long a
    // request waits for a slot before it is answered "busy".
    int hashSlots = 0;
    int64_t hashWaitMs = 2000;
    // Take the client's address from the "X-Real-IP" header the proxy in
    // front sets; only behind such a proxy, as anyone can send the header.
    bool trustForwarded = false;
    // How often expired sessions and ended counting windows are swept.
    int64_t sweepIntervalMs = 60 * 1000;
};

// The HTTP front: routes both URL forms of the API, the files folder (icons,
// screenshots, packages) and logs one line per request.
class Server {
public:
    // `dbPath`: a store file or a PostgreSQL URL.
    Server(const std::string& dbPath, ServerOptions options);
    ~Server();

    // Binds the listening socket and returns the port; throws when it cannot.
    int Bind();
    // Serves until Stop(); call Bind() first. Views counted but not yet
    // written are written before it returns.
    void Run();
    // Safe from any thread; Run() returns soon after.
    void Stop();
    // False for a store that was never seeded (no files folder known).
    bool HasCatalog() const { return !assetsDir.empty(); }

    // Answers one request as the HTTP layer parsed it. Public so that the
    // request handling can be driven in-process, without a socket.
    void Handle(const httplib::Request& req, httplib::Response& res);

    // What the bounds did so far: hashes run and refused, heads dropped.
    HashSlots::Counts HashTotals() const { return hashSlots.Totals(); }
    int HashSlotCount() const { return hashSlots.Slots(); }
    Acceptor::Counts ConnectionTotals() const { return acceptor->Totals(); }

private:
    bool ServeConnection(ClientConnection& connection, bool lastRequest);
    std::string ClientAddress(const httplib::Request& req) const;
    void Sweep();
    void SweepUntilStopped();
    int ServeApi(std::string_view method, const httplib::Request& req, httplib::Response& res);
    ApiAnswer Answer(std::string_view method, ApiCall& call);
    void WriteViews(Db& db, int64_t nowMs, bool now);
    int ServeFile(std::string_view relative, const httplib::Request& req, httplib::Response& res);
    std::string FilesUrl(const httplib::Request& req) const;

    ServerOptions options;
    std::unique_ptr<DbPool> pool;
    std::unique_ptr<AnswerCache> cache;
    std::unique_ptr<ViewCounts> views;  // with the cache only: see ViewCounts
    std::unique_ptr<httplib::Server> http;
    HashSlots hashSlots;
    std::unique_ptr<Acceptor> acceptor;
    std::string assetsDir;
    int boundPort = 0;
    std::atomic<bool> stopping{false};
    std::mutex sweepMutex;
    std::condition_variable sweepWake;
};

}  // namespace catalogd
