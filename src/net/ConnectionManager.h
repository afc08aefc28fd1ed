#pragma once
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "base/Delegate.h"
#include "base/Singleton.h"
#include "platform/connection/Connection.h"

// Makes sure the device has a data connection before the queue runs jobs.
// Connecting happens on a thread of its own so that adding a job never waits
// for the network.
class ConnectionManager : public Singleton<ConnectionManager> {
public:
    ~ConnectionManager() override;

    // Fired when an attempt has ended, whether it worked or not, and when an
    // existing connection was found alive. Always fired under the UI lock
    // (from the caller of EnsureConnection or from the connection thread),
    // never under the lock below.
    Delegation_0 Connected;

    // Takes the UI lock, then this manager's lock.
    void EnsureConnection();
    // Whether the last attempt or check found the connection up.
    bool IsConnected();
    // Waits for a running attempt to end (shutdown, tests). Never with the UI
    // lock held: the attempt ends by firing under it.
    void WaitForAttempt();
    void SetPollInterval(std::chrono::milliseconds interval);

private:
    friend class Singleton<ConnectionManager>;
    ConnectionManager() = default;

    void ConnectionThread();

    std::mutex lock;
    platform::ConnectionHandle handle = 0;
    uint32_t lastStatus = platform::kConnectionUnknown;
    std::thread thread;
    bool attempting = false;
    std::chrono::milliseconds pollInterval{400};
};
