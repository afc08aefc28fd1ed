#pragma once
#include <cstdint>

// The device's clocks. Both run from boot of the emulated device (the host's
// monotonic clock), never from the wall clock, so they do not jump when the
// host's time is set.
namespace platform {

// Milliseconds; wraps around after about 49.7 days like the device's counter,
// so compare ticks by unsigned difference.
uint32_t TickCount();
// A high-resolution counter and its frequency in counts per second.
int64_t PerformanceCounter();
int64_t PerformanceFrequency();

}  // namespace platform
