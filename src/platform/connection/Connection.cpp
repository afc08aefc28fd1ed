#include "platform/connection/Connection.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>

#include "platform/device/DeviceRoot.h"

namespace platform {
namespace {

// The emulated device has a single network: the internet through whatever the
// host offers.
constexpr NetworkId kInternet = 1;

struct Connection {
    NetworkId network = 0;
    std::chrono::steady_clock::time_point ready;  // dialling ends here
    bool failed = false;
};

struct Connections {
    std::mutex lock;
    ConnectionHandle next = 1;
    std::map<ConnectionHandle, Connection> open;
};

std::chrono::milliseconds ConnectDelay() {
    if (!HasCurrentDevice()) return std::chrono::milliseconds(0);
    return std::chrono::milliseconds(std::max(0, CurrentDevice().Info().connectDelayMs));
}

// Never destroyed: connection managers of other singletons release their
// handles during exit, after a function-local static would be gone.
Connections& Table() {
    static Connections* table = new Connections;
    return *table;
}

}  // namespace

bool NetworkIsUp() {
    return !HasCurrentDevice() || CurrentDevice().Info().networkUp;
}

bool MapUrlToNetwork(std::string_view url, NetworkId& network) {
    if (url.empty()) return false;
    network = kInternet;
    return true;
}

ConnectionHandle EstablishConnection(const ConnectionRequest& request) {
    if (request.size != 64 || request.disabled) return 0;
    Connections& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    ConnectionHandle h = t.next++;
    if (t.next == 0) t.next = 1;
    t.open[h] = Connection{request.destination, std::chrono::steady_clock::now() + ConnectDelay(), false};
    return h;
}

uint32_t ConnectionStatus(ConnectionHandle handle) {
    Connections& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.open.find(handle);
    if (it == t.open.end()) return kConnectionUnknown;
    Connection& c = it->second;
    if (c.failed) return kConnectionFailed;
    if (std::chrono::steady_clock::now() < c.ready) return kConnectionWaiting;
    // Read on every poll so that a device whose network goes down while the
    // store runs is seen as disconnected at the next check.
    if (NetworkIsUp()) return kConnectionConnected;
    c.failed = true;
    return kConnectionFailed;
}

void ReleaseConnection(ConnectionHandle handle, bool /*cache*/) {
    Connections& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    t.open.erase(handle);
}

}  // namespace platform
