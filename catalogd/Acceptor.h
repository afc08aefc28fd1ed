#pragma once
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace catalogd {

// Bounds on what a client may make the service wait for or hold.
struct AcceptorLimits {
    // The whole head of a request (request line and headers) must arrive
    // within this, however it trickles in.
    std::chrono::milliseconds headDeadline{10000};
    // A kept-alive connection may stay silent this long before its next request.
    std::chrono::milliseconds keepAliveIdle{2000};
    // Head size and header lines (the request line included).
    size_t maxHeadBytes = 32 * 1024;
    size_t maxHeadLines = 100;
    // Connections waiting for a head at once; beyond it the one waiting
    // longest is dropped for the newcomer.
    size_t maxWaiting = 1024;
    // Requests served on one connection before it is closed.
    int maxRequestsPerConnection = 200;
};

// One client connection, owned by the acceptor while its head is awaited
// and by one worker while its request is served.
struct ClientConnection {
    int fd = -1;
    std::string peer;     // the client's address
    int peerPort = 0;
    std::string pending;  // bytes read but not yet consumed: the head first
    int served = 0;       // requests answered on it so far
    std::chrono::steady_clock::time_point deadline;

    ~ClientConnection();
};

// The numeric address of a socket address, and its port.
std::string AddressText(const sockaddr_storage& addr, int& port);

// Accepts connections and reads each request's head on one thread of its
// own, under the deadline and caps above, before any worker is taken: a
// client that trickles its head, or never sends one, costs a socket and a
// few bytes, never a worker. Heads that are complete go to the workers.
// Stands in front of the HTTP layer, which has no such bounds of its own.
class Acceptor {
public:
    // Serves the request whose head is in `connection.pending`, on a
    // worker; true when the connection may wait for another request.
    using Serve = std::function<bool(ClientConnection& connection, bool lastRequest)>;
    // The answer for a head that broke a cap, written as it is before the
    // connection is closed.
    using Refusal = std::function<std::string(bool requestLineTooLong)>;

    Acceptor(AcceptorLimits limits, int workers, Serve serve, Refusal refusal);
    ~Acceptor();

    // Listens on host:port (0: any free port) and returns the port; throws
    // when it cannot.
    int Bind(const std::string& host, int port);
    // Accepts and serves until Stop(); every request whose head has arrived
    // is answered before it returns.
    void Run();
    // Safe from any thread, also before Run().
    void Stop();
    int ListeningSocket() const { return listener; }

    struct Counts {
        int64_t accepted = 0;
        int64_t served = 0;        // heads handed to the workers
        int64_t timedOut = 0;      // heads that missed their deadline
        int64_t refused = 0;       // heads beyond a cap
        int64_t evicted = 0;       // waiting connections dropped for newcomers
        int busyWorkers = 0;
    };
    Counts Totals() const;

private:
    enum class Head { Partial, Complete, TooLarge, LineTooLong };

    Head Examine(const std::string& bytes) const;
    void AcceptAll();
    void ReadFrom(std::list<std::unique_ptr<ClientConnection>>::iterator it);
    void Dispatch(std::unique_ptr<ClientConnection> c);
    void TakeBackKept();
    void DropExpired();
    void Refuse(ClientConnection& c, bool requestLineTooLong);
    void Work();
    void Wake();

    const AcceptorLimits limits;
    const int workerCount;
    Serve serve;
    Refusal refusal;
    int listener = -1;
    int wakeRead = -1, wakeWrite = -1;
    std::atomic<bool> stopping{false};

    // The acceptor thread's own: connections whose head is awaited, oldest first.
    std::list<std::unique_ptr<ClientConnection>> waiting;

    mutable std::mutex mutex;  // guards everything below
    std::condition_variable ready;
    std::deque<std::unique_ptr<ClientConnection>> heads;  // complete heads for the workers
    std::vector<std::unique_ptr<ClientConnection>> kept;  // back from the workers
    bool workersEnd = false;
    Counts counts;
};

}  // namespace catalogd
