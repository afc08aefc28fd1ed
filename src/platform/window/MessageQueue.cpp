#include "platform/window/MessageQueue.h"

#include <algorithm>

namespace platform {

WinRect UnionRect(const WinRect& a, const WinRect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

WinRect IntersectRect(const WinRect& a, const WinRect& b) {
    WinRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
    return r.Empty() ? WinRect{} : r;
}

MessageQueue::MessageQueue(LoopClock& clock) : clock(clock) {}

// Senders still waiting get an answer of 0 rather than hanging forever.
MessageQueue::~MessageQueue() {
    std::lock_guard lock(mutex);
    for (auto& s : sent) s->answer.set_value(0);
}

void MessageQueue::Added() {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex);
        woken = true;
        hook = wakeHook;
    }
    wakeup.notify_all();
    if (hook) hook();
}

void MessageQueue::Post(const Message& message) {
    {
        std::lock_guard lock(mutex);
        posted.push_back(message);
    }
    Added();
}

std::future<LRESULT> MessageQueue::SendFromOtherThread(const Message& message) {
    auto s = std::make_unique<Sent>();
    s->message = message;
    auto future = s->answer.get_future();
    {
        std::lock_guard lock(mutex);
        sent.push_back(std::move(s));
    }
    Added();
    return future;
}

std::future<LRESULT> MessageQueue::CallFromOtherThread(std::function<LRESULT()> call) {
    auto s = std::make_unique<Sent>();
    s->call = std::move(call);
    auto future = s->answer.get_future();
    {
        std::lock_guard lock(mutex);
        sent.push_back(std::move(s));
    }
    Added();
    return future;
}

void MessageQueue::PostQuit(int exitCode) {
    {
        std::lock_guard lock(mutex);
        quitCode = exitCode;
    }
    Added();
}

void MessageQueue::SetTimer(Window* window, std::uintptr_t id, unsigned periodMs) {
    {
        std::lock_guard lock(mutex);
        timers[{window, id}] = Timer{periodMs, clock.Now() + periodMs};
    }
    Added();
}

void MessageQueue::KillTimer(Window* window, std::uintptr_t id) {
    std::lock_guard lock(mutex);
    timers.erase({window, id});
}

void MessageQueue::KillTimers(Window* window) {
    std::lock_guard lock(mutex);
    std::erase_if(timers, [&](const auto& t) { return t.first.first == window; });
}

bool MessageQueue::HasTimer(Window* window, std::uintptr_t id) const {
    std::lock_guard lock(mutex);
    return timers.count({window, id}) != 0;
}

std::optional<std::uint64_t> MessageQueue::NextTimerDue() const {
    std::lock_guard lock(mutex);
    std::optional<std::uint64_t> next;
    for (const auto& [key, t] : timers)
        if (!next || t.due < *next) next = t.due;
    return next;
}

void MessageQueue::Invalidate(Window* window, const WinRect& rect, bool erase) {
    if (rect.Empty()) return;
    {
        std::lock_guard lock(mutex);
        auto& inv = invalid[window];
        inv.rect = UnionRect(inv.rect, rect);
        inv.erase = inv.erase || erase;
    }
    Added();
}

bool MessageQueue::Validate(Window* window, WinRect* rect, bool* erase) {
    std::lock_guard lock(mutex);
    auto it = invalid.find(window);
    if (it == invalid.end()) {
        if (rect) *rect = {};
        if (erase) *erase = false;
        return false;
    }
    if (rect) *rect = it->second.rect;
    if (erase) *erase = it->second.erase;
    invalid.erase(it);
    return true;
}

bool MessageQueue::NeedsPaint(Window* window) const {
    std::lock_guard lock(mutex);
    return invalid.count(window) != 0;
}

void MessageQueue::Forget(Window* window) {
    std::lock_guard lock(mutex);
    invalid.erase(window);
    std::erase_if(timers, [&](const auto& t) { return t.first.first == window; });
    std::erase_if(posted, [&](const Message& m) { return m.window == window; });
}

std::unique_ptr<MessageQueue::Sent> MessageQueue::TakeSent() {
    std::lock_guard lock(mutex);
    if (sent.empty()) return nullptr;
    auto s = std::move(sent.front());
    sent.pop_front();
    return s;
}

bool MessageQueue::TryGet(Message& out) {
    std::lock_guard lock(mutex);
    if (!posted.empty()) {
        out = posted.front();
        posted.pop_front();
        return true;
    }
    if (quitCode) {
        out = Message{nullptr, WM_QUIT, static_cast<WPARAM>(*quitCode), 0};
        quitCode.reset();
        return true;
    }
    if (!invalid.empty()) {
        out = Message{invalid.begin()->first, WM_PAINT, 0, 0};
        return true;
    }
    const auto now = clock.Now();
    auto best = timers.end();
    for (auto it = timers.begin(); it != timers.end(); ++it)
        if (it->second.due <= now && (best == timers.end() || it->second.due < best->second.due)) best = it;
    if (best == timers.end()) return false;
    best->second.due = now + best->second.period;
    out = Message{best->first.first, WM_TIMER, best->first.second, 0};
    return true;
}

bool MessageQueue::Empty() const {
    std::lock_guard lock(mutex);
    return posted.empty() && sent.empty() && !quitCode && invalid.empty();
}

void MessageQueue::WaitUntil(std::optional<LoopClock::RealClock::time_point> deadline) {
    std::unique_lock lock(mutex);
    auto ready = [&] { return woken || !posted.empty() || !sent.empty() || quitCode || !invalid.empty(); };
    if (deadline)
        wakeup.wait_until(lock, *deadline, ready);
    else
        wakeup.wait(lock, ready);
    woken = false;
}

void MessageQueue::Wake() { Added(); }

void MessageQueue::SetWakeHook(std::function<void()> hook) {
    std::lock_guard lock(mutex);
    wakeHook = std::move(hook);
}

}  // namespace platform
