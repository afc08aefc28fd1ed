#include "CountingRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Writes all of `size` bytes; false when the peer went away.
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Polls in slices, so that a relay being destroyed is noticed soon.
constexpr int kSliceMs = 100;

}  // namespace

CountingRelay::CountingRelay(int serverPort) : serverPort(serverPort) {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in any = Loopback(0);
    socklen_t length = sizeof any;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 ||
        ::listen(listener, 64) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&any), &length) != 0) {
        if (listener >= 0) ::close(listener);
        throw std::runtime_error("the relay cannot listen on loopback");
    }
    port = ntohs(any.sin_port);
    acceptor = std::thread([this] { Accept(); });
}

CountingRelay::~CountingRelay() {
    stopping = true;
    acceptor.join();
    ::close(listener);
    std::lock_guard lock(mutex);
    for (auto& t : pumps) t.join();
}

CountingRelay::Counts CountingRelay::Read() const { return {connections.load(), sent.load(), received.load()}; }

CountingRelay::Counts CountingRelay::Since(const Counts& earlier) const {
    const Counts now = Read();
    return {now.connections - earlier.connections, now.bytesSent - earlier.bytesSent,
            now.bytesReceived - earlier.bytesReceived};
}

void CountingRelay::Accept() {
    while (!stopping) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, kSliceMs) <= 0) continue;
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        ++connections;
        std::lock_guard lock(mutex);
        pumps.emplace_back([this, client] { Pump(client); });
    }
}

// Carries bytes both ways until both sides have closed; a side that closes
// its sending half has that passed on, as an HTTP client or server expects.
void CountingRelay::Pump(int client) {
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in to = Loopback(serverPort);
    if (server < 0 || ::connect(server, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        if (server >= 0) ::close(server);
        ::close(client);
        return;
    }
    struct Way {
        int from, to;
        std::atomic<uint64_t>& count;
        bool open = true;
    };
    Way ways[2] = {{client, server, sent}, {server, client, received}};
    char buffer[16384];
    while (!stopping && (ways[0].open || ways[1].open)) {
        pollfd p[2] = {{client, short(ways[0].open ? POLLIN : 0), 0}, {server, short(ways[1].open ? POLLIN : 0), 0}};
        if (::poll(p, 2, kSliceMs) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            Way& w = ways[i];
            if (!w.open || !(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::recv(w.from, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n > 0 && WriteAll(w.to, buffer, static_cast<size_t>(n))) {
                w.count += static_cast<uint64_t>(n);
                continue;
            }
            w.open = false;
            ::shutdown(w.to, SHUT_WR);
        }
    }
    ::close(server);
    ::close(client);
}
