#pragma once
#include <httplib.h>

#include <chrono>

#include "Acceptor.h"

namespace catalogd {

// A connection as the HTTP layer reads and writes it: the bytes the acceptor
// already read come first, then the socket, each read and write waiting at
// most its timeout.
class ConnectionStream : public httplib::Stream {
public:
    ConnectionStream(ClientConnection& c, std::chrono::milliseconds readTimeout, std::chrono::milliseconds writeTimeout)
        : c(c), readTimeout(readTimeout), writeTimeout(writeTimeout) {}
    // What the request did not use (a next request sent early) stays for
    // the acceptor.
    ~ConnectionStream() override { c.pending.erase(0, consumed); }
    ConnectionStream(const ConnectionStream&) = delete;
    ConnectionStream& operator=(const ConnectionStream&) = delete;

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return c.fd; }

private:
    bool Ready(short events, std::chrono::milliseconds timeout) const;

    ClientConnection& c;
    std::chrono::milliseconds readTimeout, writeTimeout;
    size_t consumed = 0;  // of c.pending
};

}  // namespace catalogd
