#include "ConnectionStream.h"

#include <poll.h>
#include <sys/socket.h>

#include <cstring>

namespace catalogd {

bool ConnectionStream::Ready(short events, std::chrono::milliseconds timeout) const {
    pollfd p{c.fd, events, 0};
    int n;
    do n = poll(&p, 1, static_cast<int>(timeout.count()));
    while (n < 0 && errno == EINTR);
    return n > 0;
}

bool ConnectionStream::is_readable() const { return consumed < c.pending.size() || Ready(POLLIN, readTimeout); }

bool ConnectionStream::is_writable() const { return Ready(POLLOUT, writeTimeout); }

ssize_t ConnectionStream::read(char* ptr, size_t size) {
    if (consumed < c.pending.size()) {
        const size_t n = std::min(size, c.pending.size() - consumed);
        std::memcpy(ptr, c.pending.data() + consumed, n);
        consumed += n;
        return static_cast<ssize_t>(n);
    }
    if (!Ready(POLLIN, readTimeout)) return -1;
    return recv(c.fd, ptr, size, 0);
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
    if (!is_writable()) return -1;
    return send(c.fd, ptr, size, MSG_NOSIGNAL);
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    ip = c.peer;
    port = c.peerPort;
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t size = sizeof addr;
    ip.clear();
    port = 0;
    if (getsockname(c.fd, reinterpret_cast<sockaddr*>(&addr), &size) == 0) ip = AddressText(addr, port);
}

}  // namespace catalogd
