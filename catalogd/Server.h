#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "Api.h"

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

private:
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
    std::string assetsDir;
    int boundPort = 0;
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
};

}  // namespace catalogd
