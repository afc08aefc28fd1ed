#include "Acceptor.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace catalogd {
namespace {

using Clock = std::chrono::steady_clock;

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

std::string AddressText(const sockaddr_storage& addr, int& port) {
    char text[INET6_ADDRSTRLEN] = "";
    if (addr.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(addr);
        inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
        port = ntohs(in.sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(addr);
        inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        port = ntohs(in6.sin6_port);
    }
    return text;
}

ClientConnection::~ClientConnection() {
    if (fd >= 0) close(fd);
}

Acceptor::Acceptor(AcceptorLimits limits, int workers, Serve serve, Refusal refusal)
    : limits(limits), workerCount(std::max(workers, 1)), serve(std::move(serve)), refusal(std::move(refusal)) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot make a pipe");
    wakeRead = fds[0];
    wakeWrite = fds[1];
}

Acceptor::~Acceptor() {
    if (listener >= 0) close(listener);
    close(wakeRead);
    close(wakeWrite);
}

int Acceptor::Bind(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
        throw std::runtime_error("cannot listen on " + host + ": unknown address");
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
    for (addrinfo* a = found; a; a = a->ai_next) {
        int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, SOMAXCONN) == 0) {
            SetNonBlocking(fd);
            listener = fd;
            sockaddr_storage bound{};
            socklen_t size = sizeof bound;
            getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size);
            int boundPort = 0;
            AddressText(bound, boundPort);
            return boundPort;
        }
        close(fd);
    }
    throw std::runtime_error("cannot listen on " + host + ":" + service);
}

void Acceptor::Wake() {
    const char byte = 1;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] ssize_t n = write(wakeWrite, &byte, 1);
}

void Acceptor::Stop() {
    stopping = true;
    Wake();
}

Acceptor::Counts Acceptor::Totals() const {
    std::lock_guard lock(mutex);
    return counts;
}

Acceptor::Head Acceptor::Examine(const std::string& bytes) const {
    size_t lines = 0;
    size_t lineStart = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        // An empty line ends the head; empty lines before the request line
        // are allowed and skipped.
        const size_t length = i - lineStart;
        const bool empty = length == 0 || (length == 1 && bytes[lineStart] == '\r');
        if (empty && lines) return Head::Complete;
        if (!empty && ++lines > limits.maxHeadLines) return Head::TooLarge;
        lineStart = i + 1;
    }
    if (bytes.size() <= limits.maxHeadBytes) return Head::Partial;
    return lines == 0 ? Head::LineTooLong : Head::TooLarge;
}

void Acceptor::Refuse(ClientConnection& c, bool requestLineTooLong) {
    std::lock_guard lock(mutex);
    ++counts.refused;
    const std::string answer = refusal(requestLineTooLong);
    // Best effort, without waiting: the client gets to know why if its
    // socket takes a small answer at once, and is dropped either way.
    [[maybe_unused]] ssize_t n = send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    shutdown(c.fd, SHUT_RDWR);
}

void Acceptor::AcceptAll() {
    for (;;) {
        sockaddr_storage addr{};
        socklen_t size = sizeof addr;
        int fd = accept4(listener, reinterpret_cast<sockaddr*>(&addr), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        // Headers and body leave in separate writes; without this, delayed
        // acknowledgements hold every keep-alive answer back by tens of ms.
        int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        auto c = std::make_unique<ClientConnection>();
        c->fd = fd;
        c->peer = AddressText(addr, c->peerPort);
        c->deadline = Clock::now() + limits.headDeadline;
        {
            std::lock_guard lock(mutex);
            ++counts.accepted;
            if (waiting.size() >= limits.maxWaiting) ++counts.evicted;
        }
        if (waiting.size() >= limits.maxWaiting) waiting.pop_front();
        waiting.push_back(std::move(c));
    }
}

void Acceptor::ReadFrom(std::list<std::unique_ptr<ClientConnection>>::iterator it) {
    ClientConnection& c = **it;
    char buf[4096];
    for (;;) {
        const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            waiting.erase(it);
            return;
        }
        if (n < 0) break;
        // A kept connection's first new byte starts its head's deadline (a
        // new connection's started when it was accepted).
        if (c.pending.empty() && c.served > 0) c.deadline = Clock::now() + limits.headDeadline;
        c.pending.append(buf, static_cast<size_t>(n));
        if (c.pending.size() > limits.maxHeadBytes) break;
    }
    switch (Examine(c.pending)) {
        case Head::Partial: return;
        case Head::Complete: {
            std::unique_ptr<ClientConnection> taken = std::move(*it);
            waiting.erase(it);
            Dispatch(std::move(taken));
            return;
        }
        case Head::TooLarge: Refuse(c, false); break;
        case Head::LineTooLong: Refuse(c, true); break;
    }
    waiting.erase(it);
}

void Acceptor::Dispatch(std::unique_ptr<ClientConnection> c) {
    {
        std::lock_guard lock(mutex);
        ++counts.served;
        heads.push_back(std::move(c));
    }
    ready.notify_one();
}

void Acceptor::TakeBackKept() {
    std::vector<std::unique_ptr<ClientConnection>> back;
    {
        std::lock_guard lock(mutex);
        back.swap(kept);
    }
    for (auto& c : back) {
        if (stopping) continue;  // closed by going out of scope
        c->deadline = Clock::now() + limits.keepAliveIdle;
        // A client may have sent its next request already.
        if (!c->pending.empty() && Examine(c->pending) == Head::Complete) {
            Dispatch(std::move(c));
            continue;
        }
        waiting.push_back(std::move(c));
    }
}

void Acceptor::DropExpired() {
    const auto now = Clock::now();
    int64_t dropped = 0;
    // Closed only after they are counted: a client that sees its connection
    // end must find it in the totals.
    std::vector<std::unique_ptr<ClientConnection>> ended;
    for (auto it = waiting.begin(); it != waiting.end();) {
        if ((*it)->deadline > now) {
            ++it;
            continue;
        }
        // A silent kept-alive connection simply ends; a head begun and not
        // finished in time is a slow client shed.
        if (!(*it)->pending.empty() || (*it)->served == 0) ++dropped;
        ended.push_back(std::move(*it));
        it = waiting.erase(it);
    }
    std::lock_guard lock(mutex);
    counts.timedOut += dropped;
}

void Acceptor::Work() {
    for (;;) {
        std::unique_ptr<ClientConnection> c;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [this] { return workersEnd || !heads.empty(); });
            if (heads.empty()) return;
            c = std::move(heads.front());
            heads.pop_front();
            ++counts.busyWorkers;
        }
        const bool last = stopping || c->served + 1 >= limits.maxRequestsPerConnection;
        bool keep = false;
        try {
            keep = serve(*c, last);
        } catch (const std::exception&) {
            keep = false;
        }
        ++c->served;
        std::lock_guard lock(mutex);
        --counts.busyWorkers;
        if (keep && !last && !stopping) kept.push_back(std::move(c));
        if (!kept.empty()) Wake();
    }
}

void Acceptor::Run() {
    std::vector<std::thread> workers;
    for (int i = 0; i < workerCount; ++i) workers.emplace_back([this] { Work(); });
    std::vector<pollfd> fds;
    std::vector<std::list<std::unique_ptr<ClientConnection>>::iterator> polled;
    while (!stopping) {
        TakeBackKept();
        DropExpired();
        fds.clear();
        polled.clear();
        fds.push_back({wakeRead, POLLIN, 0});
        fds.push_back({listener, POLLIN, 0});
        auto next = Clock::now() + std::chrono::seconds(1);
        for (auto it = waiting.begin(); it != waiting.end(); ++it) {
            fds.push_back({(*it)->fd, POLLIN, 0});
            polled.push_back(it);
            next = std::min(next, (*it)->deadline);
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
        const int timeout = static_cast<int>(std::clamp<int64_t>(wait.count(), 0, 1000));
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents) {
            char drain[64];
            while (read(wakeRead, drain, sizeof drain) > 0) {
            }
        }
        // Read before accepting: accepting may drop the oldest waiting
        // connections, which the iterators below still name.
        for (size_t i = 2; i < fds.size(); ++i)
            if (fds[i].revents) ReadFrom(polled[i - 2]);
        if (fds[1].revents) AcceptAll();
    }
    close(listener);
    listener = -1;
    waiting.clear();
    {
        std::lock_guard lock(mutex);
        workersEnd = true;
    }
    ready.notify_all();
    for (auto& w : workers) w.join();
    std::lock_guard lock(mutex);
    kept.clear();
}

}  // namespace catalogd
