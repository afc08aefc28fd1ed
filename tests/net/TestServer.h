#pragma once
#include <atomic>
#include <condition_variable>
#include <map>
#include <set>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

// A scriptable HTTP server on 127.0.0.1 with a port the OS chooses, run on a
// thread of the test process. Routes:
//   /bytes/N      N bytes with Content-Length and an ETag (ranges honoured)
//   /chunked/N    N bytes, chunked (no Content-Length)
//   /stall        announces 100000 bytes, sends 100, then nothing
//   /gate/K       waits until the gate lets it through, then answers "K"
//   /notfound     a 404 page with a body
//   anything set with Script(): that status and body
class TestServer {
public:
    TestServer();
    ~TestServer();

    std::string Url(const std::string& path) const;
    std::u16string Url16(const std::string& path) const;
    int Port() const { return port; }

    void Script(const std::string& path, int status, std::string body);

    // The gate: requests to /gate/K wait until Release() lets one through or
    // ReleaseAll() opens it.
    int Arrivals();
    bool WaitArrivals(int count, std::chrono::milliseconds timeout);
    void Release(int count = 1);
    void ReleaseAll();

    // How many connections the clients opened so far (told apart by their
    // ports, which stay distinct while the test's few connections exist).
    int Connections();

    // The byte at offset i of every generated body.
    static char ByteAt(std::size_t i) { return static_cast<char>('a' + i % 23); }

private:
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::mutex lock;
    std::condition_variable changed;
    int arrivals = 0;
    int passes = 0;
    bool open = false;
    std::atomic<bool> stopping{false};
    std::map<std::string, std::pair<int, std::string>> scripts;
    std::set<int> clientPorts;
};

// A server that writes fixed bytes to every connection and then closes it, or,
// with no response, accepts and never says anything. With `hangUpOnReuse` it
// keeps the connection open after its answer and closes it, unanswered, when
// a second request comes on it: a server whose keep-alive ran out just as
// the client sent.
class RawServer {
public:
    explicit RawServer(std::string response, bool answer = true, bool hangUpOnReuse = false);
    ~RawServer();
    std::string Url(const std::string& path) const;
    int Accepted() const { return accepted; }
    int Requests() const { return requests; }

private:
    void Serve();
    bool ReadHead(int fd);

    int listener = -1;
    int port = 0;
    std::string response;
    bool answer;
    bool hangUpOnReuse;
    std::atomic<bool> stopping{false};
    std::atomic<int> accepted{0}, requests{0};
    std::vector<int> held;
    std::thread thread;
};

// A loopback port nobody listens on.
int ClosedPort();
