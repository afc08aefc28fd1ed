#pragma once
#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>

// A TCP relay on loopback between a client and one server, counting what
// passes: the connections the client opens and the bytes each way (HTTP
// headers and bodies, as they leave and reach the client's sockets). It
// measures a program from outside, so the program measured stays as it is.
class CountingRelay {
public:
    // Listens on a port of 127.0.0.1 the system chooses and relays every
    // connection to 127.0.0.1:`serverPort`. Throws when it cannot listen.
    explicit CountingRelay(int serverPort);
    // Closes every connection still open.
    ~CountingRelay();
    CountingRelay(const CountingRelay&) = delete;
    CountingRelay& operator=(const CountingRelay&) = delete;

    int Port() const { return port; }

    struct Counts {
        uint64_t connections = 0;
        uint64_t bytesSent = 0;      // client to server
        uint64_t bytesReceived = 0;  // server to client
    };
    Counts Read() const;
    // What passed since `earlier` was read.
    Counts Since(const Counts& earlier) const;

private:
    void Accept();
    void Pump(int client);

    int serverPort;
    int listener = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<uint64_t> connections{0}, sent{0}, received{0};
    std::mutex mutex;
    std::list<std::thread> pumps;
    std::thread acceptor;
};
