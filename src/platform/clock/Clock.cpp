#include "platform/clock/Clock.h"

#include <ctime>

namespace platform {
namespace {

int64_t MonotonicNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

uint32_t TickCount() { return static_cast<uint32_t>(static_cast<uint64_t>(MonotonicNanoseconds() / 1000000)); }

int64_t PerformanceCounter() { return MonotonicNanoseconds(); }

int64_t PerformanceFrequency() { return 1000000000; }

}  // namespace platform
