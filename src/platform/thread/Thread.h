#pragma once
#include <cstdint>
#include <functional>
#include <thread>

namespace platform {

// Starts `body` on a thread of its own that nobody joins: the device's worker
// threads (HTTP jobs, install jobs) end by themselves and report through
// events. Exceptions must not escape `body`; one that does ends the process,
// as an unhandled exception on a device thread would.
void StartDetachedThread(std::function<void()> body);

// Blocks the calling thread for `milliseconds`.
void SleepMs(uint32_t milliseconds);

// A number identifying the calling thread, for lock-ownership checks.
uint64_t CurrentThreadId();

}  // namespace platform
