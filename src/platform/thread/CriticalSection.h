#pragma once
#include <cstdint>
#include <mutex>

// Critical sections are re-entrant on the device: the thread that holds one
// may enter it again (a handler that runs under the UI lock calls code that
// takes the UI lock too). Usable with std::lock_guard and std::unique_lock.
namespace platform {

class CriticalSection {
public:
    void lock() { mutex.lock(); }
    bool try_lock() { return mutex.try_lock(); }
    void unlock() { mutex.unlock(); }

    void Enter() { lock(); }
    bool TryEnter() { return try_lock(); }
    void Leave() { unlock(); }

private:
    std::recursive_mutex mutex;
};

using CriticalSectionLock = std::lock_guard<CriticalSection>;

}  // namespace platform
