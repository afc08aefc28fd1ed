#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/device/DeviceRoot.h"

// One transfer on the device's emulated data link. Every transfer is shaped
// on its own (its own rate, its own delay, its own drop), so that a link
// shared by several transfers, or a connection used for several requests,
// still looks to each request like the handheld's line.
//
// The line's delay is charged once for the request's own round trip, and
// once more for each connection the transfer has to open (the TCP
// handshake): a request on a connection kept from an earlier one costs one
// round trip, a request on a new connection two, as on a real line. The
// transport calls WaitLatency for both.
namespace platform {

class LinkShaper {
public:
    // The current device's link; a process without a device is not shaped.
    static LinkShaper ForCurrentDevice();
    explicit LinkShaper(const DataLink& link) : link(link) {}

    // Bytes per second the line carries each way; 0: unlimited.
    int64_t DownBytesPerSecond() const { return int64_t(link.downKbps) * 1000 / 8; }
    int64_t UpBytesPerSecond() const { return int64_t(link.upKbps) * 1000 / 8; }
    // One round trip of the line: before a request goes out, and before a
    // new connection is made.
    void WaitLatency() const;
    // Marks the start of the body's transfer, from which the line's pace
    // and its time-based drop are counted.
    void Started() { start = std::chrono::steady_clock::now(); }
    // Waits until the line would have carried `total` bytes of the body;
    // false when `stop` asks to end meanwhile. libcurl's own limit lets the
    // first tens of kilobytes through at once, which a handheld's line never
    // does: this keeps small transfers and resumed ones at the line's pace.
    bool Pace(uint64_t total, const std::function<bool()>& stop) const;
    // How many of the next `size` body bytes get through; fewer than `size`
    // means the line has just dropped.
    std::size_t Pass(std::size_t size);
    // The line drops once a transfer has lasted its time: marks the line
    // dropped when that time has come, and tells whether it is.
    bool DropIfTimeUp();
    bool Dropped() const { return dropped; }

    // One line per transfer in the device's link.log, so that a test or a
    // person can see what went over the line.
    // `connections`: how many the transfer had to open.
    void Log(const std::string& url, int64_t rangeFrom, int status, uint64_t headerBytes, uint64_t bodyBytes,
             int connections, const char* outcome) const;

private:
    DataLink link;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    uint64_t passed = 0;
    bool dropped = false;
};

}  // namespace platform
