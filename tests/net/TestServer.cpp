#include "TestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "base/Text.h"

namespace {

std::string Generated(std::size_t offset, std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = TestServer::ByteAt(offset + i);
    return s;
}

}  // namespace

TestServer::TestServer() {
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        std::lock_guard<std::mutex> guard(lock);
        clientPorts.insert(req.remote_port);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.Get(R"(/bytes/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const std::size_t n = std::stoul(req.matches[1]);
        // The same bytes every time: a validator, so that ranges of it may be asked for.
        res.set_header("ETag", "\"bytes-" + std::to_string(n) + "\"");
        res.set_content_provider(n, "application/octet-stream",
                                 [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     const std::string piece = Generated(offset, std::min<std::size_t>(length, 65536));
                                     return sink.write(piece.data(), piece.size());
                                 });
    });
    server.Get(R"(/chunked/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const std::size_t n = std::stoul(req.matches[1]);
        res.set_chunked_content_provider("text/plain", [n](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= n) {
                sink.done();
                return true;
            }
            const std::string piece = Generated(offset, std::min<std::size_t>(n - offset, 1000));
            return sink.write(piece.data(), piece.size());
        });
    });
    server.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(100000, "text/plain", [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset == 0) return sink.write(Generated(0, 100).data(), 100);
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!stopping && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return false;
        });
    });
    server.Get(R"(/gate/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
        std::unique_lock<std::mutex> guard(lock);
        ++arrivals;
        changed.notify_all();
        changed.wait_for(guard, std::chrono::seconds(20), [this] { return open || passes > 0 || stopping; });
        if (passes > 0) --passes;
        res.set_content(req.matches[1].str(), "text/plain");
    });
    server.Get("/notfound", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("<html><body>no such page</body></html>", "text/html");
    });
    server.Get(R"(/script/.*)", [this](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard<std::mutex> guard(lock);
        auto it = scripts.find(req.path);
        if (it == scripts.end()) {
            res.status = 404;
            return;
        }
        res.status = it->second.first;
        res.set_content(it->second.second, "text/xml");
    });
    port = server.bind_to_any_port("127.0.0.1");
    thread = std::thread([this] { server.listen_after_bind(); });
    // A stop that comes before the accept loop has begun is lost, and the
    // loop then waits for ever: a test that asks nothing would hang at its end.
    for (int i = 0; i < 5000 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestServer::~TestServer() {
    stopping = true;
    ReleaseAll();
    server.stop();
    thread.join();
}

std::string TestServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::u16string TestServer::Url16(const std::string& path) const { return U16(Url(path)); }

void TestServer::Script(const std::string& path, int status, std::string body) {
    std::lock_guard<std::mutex> guard(lock);
    scripts[path] = {status, std::move(body)};
}

int TestServer::Arrivals() {
    std::lock_guard<std::mutex> guard(lock);
    return arrivals;
}

bool TestServer::WaitArrivals(int count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, timeout, [&] { return arrivals >= count; });
}

int TestServer::Connections() {
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<int>(clientPorts.size());
}

void TestServer::Release(int count) {
    std::lock_guard<std::mutex> guard(lock);
    passes += count;
    changed.notify_all();
}

void TestServer::ReleaseAll() {
    std::lock_guard<std::mutex> guard(lock);
    open = true;
    changed.notify_all();
}

RawServer::RawServer(std::string response, bool answer, bool hangUpOnReuse)
    : response(std::move(response)), answer(answer), hangUpOnReuse(hangUpOnReuse) {
    listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener, 16);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    thread = std::thread([this] { Serve(); });
}

RawServer::~RawServer() {
    stopping = true;
    thread.join();
    for (int fd : held) ::close(fd);
    ::close(listener);
}

std::string RawServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

void RawServer::Serve() {
    while (!stopping) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const int fd = ::accept(listener, nullptr, nullptr);
        if (fd < 0) continue;
        ++accepted;
        if (!answer) {
            held.push_back(fd);
            continue;
        }
        // Read the request head before answering so that the client is not
        // reset while it is still sending.
        ReadHead(fd);
        ::send(fd, response.data(), response.size(), MSG_NOSIGNAL);
        if (hangUpOnReuse) ReadHead(fd);
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }
}

// True once a whole request head has come; false when the client went away
// or stayed silent for two seconds.
bool RawServer::ReadHead(int fd) {
    std::string head;
    char buf[1024];
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (stopping || std::chrono::steady_clock::now() >= until) return false;
        pollfd q{fd, POLLIN, 0};
        if (::poll(&q, 1, 20) <= 0) continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        head.append(buf, static_cast<std::size_t>(n));
    }
    ++requests;
    return true;
}

int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}
