#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/window/LoopClock.h"
#include "platform/window/Messages.h"

namespace platform {

// The UI thread's queue: posted messages, messages sent from other threads,
// timers, the windows that need painting and the quit request. Every
// operation may be called from any thread; each one that adds work wakes the
// waiting loop.
class MessageQueue {
public:
    explicit MessageQueue(LoopClock& clock);
    ~MessageQueue();

    void Post(const Message& message);
    // Queues a message for the UI thread and returns the future answer. The
    // answer is 0 when the queue goes away before the message was handled.
    std::future<LRESULT> SendFromOtherThread(const Message& message);
    std::future<LRESULT> CallFromOtherThread(std::function<LRESULT()> call);
    void PostQuit(int exitCode);

    // Windows timers: setting an existing (window, id) restarts its period.
    void SetTimer(Window* window, std::uintptr_t id, unsigned periodMs);
    void KillTimer(Window* window, std::uintptr_t id);
    void KillTimers(Window* window);
    bool HasTimer(Window* window, std::uintptr_t id) const;
    std::optional<std::uint64_t> NextTimerDue() const;

    // Painting: the invalid rectangle of each window, kept as one union.
    void Invalidate(Window* window, const WinRect& rect, bool erase);
    // Takes (and clears) the invalid area of a window.
    bool Validate(Window* window, WinRect* rect, bool* erase);
    bool NeedsPaint(Window* window) const;
    void Forget(Window* window);

    // A sent message waiting for the UI thread, handed out with its promise.
    struct Sent {
        Message message;
        std::function<LRESULT()> call;  // when set, run instead of dispatching `message`
        std::promise<LRESULT> answer;
    };
    std::unique_ptr<Sent> TakeSent();

    // The next message in the platform's order: posted messages, the quit
    // request, then paint, then a due timer (whose next due time is set from
    // now, so a slow handler never makes timers pile up).
    bool TryGet(Message& out);
    bool Empty() const;

    // Blocks until woken or until `deadline` (real time).
    void WaitUntil(std::optional<LoopClock::RealClock::time_point> deadline);
    void Wake();
    // Called (outside the queue lock) whenever work is added; a backend
    // that sleeps somewhere else (the SDL event wait) wakes itself here.
    void SetWakeHook(std::function<void()> hook);

private:
    struct Timer {
        unsigned period = 0;
        std::uint64_t due = 0;
    };
    struct Invalid {
        WinRect rect;
        bool erase = false;
    };
    void Added();

    LoopClock& clock;
    mutable std::mutex mutex;
    std::condition_variable wakeup;
    bool woken = false;
    std::deque<Message> posted;
    std::deque<std::unique_ptr<Sent>> sent;
    std::map<std::pair<Window*, std::uintptr_t>, Timer> timers;
    std::map<Window*, Invalid> invalid;
    std::optional<int> quitCode;
    std::function<void()> wakeHook;
};

}  // namespace platform
