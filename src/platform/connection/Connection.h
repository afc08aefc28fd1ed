#pragma once
#include <cstdint>
#include <string_view>

// The device's data connection. On a handheld a connection manager picks the
// network that reaches a URL and dials it; the desktop device emulates that
// from device.json: the network is up or down ("networkUp"), and a connection
// comes up after "connectDelayMs" (at once by default) when it is up and fails
// when it is down. A connection that failed stays failed, as a real one does:
// only a new request can bring the network back.
namespace platform {

using NetworkId = uint32_t;
using ConnectionHandle = uint32_t;  // 0 is no connection

// Connection states, as the connection manager reports them.
constexpr uint32_t kConnectionUnknown = 0x00;
constexpr uint32_t kConnectionConnected = 0x10;
constexpr uint32_t kConnectionDisconnected = 0x20;  // the disconnected group: this bit is set
constexpr uint32_t kConnectionFailed = 0x21;
constexpr uint32_t kConnectionWaiting = 0x40;

constexpr uint32_t kConnectionPriorityUserInteractive = 0x8000;
constexpr uint32_t kConnectionParamDestination = 0x1;

// What a connection is asked for. The size names the layout version of the
// request, as the platform expects it.
struct ConnectionRequest {
    uint32_t size = 64;
    uint32_t params = kConnectionParamDestination;
    uint32_t priority = kConnectionPriorityUserInteractive;
    bool exclusive = false;
    bool disabled = false;
    NetworkId destination = 0;
};

// True when the current device's network is up; a process without a device
// (tools on the host) counts as connected.
bool NetworkIsUp();

// The destination network that serves `url`. False when no network does.
bool MapUrlToNetwork(std::string_view url, NetworkId& network);

// Starts connecting; the handle is then polled with ConnectionStatus.
ConnectionHandle EstablishConnection(const ConnectionRequest& request);
uint32_t ConnectionStatus(ConnectionHandle handle);
// Lets the connection go; `cache` keeps the line up for a later request.
void ReleaseConnection(ConnectionHandle handle, bool cache);

}  // namespace platform
