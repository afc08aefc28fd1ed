#include "platform/thread/Thread.h"

#include <chrono>

namespace platform {

void StartDetachedThread(std::function<void()> body) { std::thread(std::move(body)).detach(); }

void SleepMs(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

uint64_t CurrentThreadId() { return std::hash<std::thread::id>{}(std::this_thread::get_id()); }

}  // namespace platform
