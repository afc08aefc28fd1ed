#include "ui/PerformanceFrequency.h"

#include <chrono>

namespace {
uint64_t SteadyNanoseconds() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}
}  // namespace

PerformanceFrequency::PerformanceFrequency() : PerformanceFrequency(1000000000ull, SteadyNanoseconds) {}

PerformanceFrequency::PerformanceFrequency(uint64_t frequency, Counter counter) : counter(std::move(counter)) {
    if (frequency == 0) frequency = 1;
    while (frequency > 0xFFFFFFFFull || frequency > 2000000ull) {
        frequency >>= 1;
        ++shift;
    }
    period = 1.0 / static_cast<double>(frequency);
}

double PerformanceFrequency::Now() {
    const uint32_t value = static_cast<uint32_t>(counter() >> shift);
    if (first) {
        first = false;
        lastCounter = value;
        lastSeconds = seconds;
        return seconds;
    }
    // Not advanced, or stepped back a little: keep the time. A value far
    // below the last one is a wrap of the 32-bit counter and counts forward.
    if (value <= lastCounter && lastCounter - value < (1u << 28)) {
        lastCounter = value;
        return seconds;
    }
    seconds += static_cast<double>(static_cast<uint32_t>(value - lastCounter)) * period;
    lastCounter = value;
    if (seconds == lastSeconds) {
        if (++stallCount > kStallLimit) {
            seconds += 1.0;
            stallCount = 0;
        }
    } else {
        stallCount = 0;
    }
    lastSeconds = seconds;
    return seconds;
}
