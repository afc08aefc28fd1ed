#include "platform/window/HeadlessWindowSystem.h"

#include <algorithm>
#include <cstdio>

#include "base/Text.h"
#include "platform/window/IdleProbes.h"

namespace platform {

namespace {
// How often the loop looks again while a worker thread is busy: workers may
// finish by calling in under the UI lock without posting anything.
constexpr auto kBusyPoll = std::chrono::milliseconds(5);
}  // namespace

void HeadlessWindowSystem::WaitForWork(std::optional<std::uint64_t> nextTimerDue) {
    IdleResult idle;
    if (idleHandler) {
        idle = idleHandler();
        if (idle.acted) return;
    }
    if (!Queue().Empty()) return;
    const bool threadsIdle = IdleProbes::Instance().AllIdle();
    if (nextTimerDue && threadsIdle && !idle.realTime) {
        std::uint64_t to = *nextTimerDue;
        if (idle.settling && idle.wakeBy) {
            const auto ahead = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   *idle.wakeBy - LoopClock::RealClock::now()).count();
            to = std::min(to, Clock().Now() + static_cast<std::uint64_t>(std::max<std::int64_t>(0, ahead)));
        }
        Clock().JumpTo(to);
        return;
    }
    std::optional<LoopClock::RealClock::time_point> deadline;
    if (nextTimerDue) deadline = Clock().RealTimeOf(*nextTimerDue);
    auto earliest = [&](LoopClock::RealClock::time_point t) { deadline = deadline ? std::min(*deadline, t) : t; };
    if (!threadsIdle) earliest(LoopClock::RealClock::now() + kBusyPoll);
    if (idle.wakeBy) earliest(*idle.wakeBy);
    Queue().WaitUntil(deadline);
}

int HeadlessWindowSystem::ShowMessageBox(const std::u16string& text, const std::u16string& caption, std::uint32_t) {
    boxes.emplace_back(caption, text);
    std::fprintf(stderr, "[message box] %s: %s\n", U8(caption).c_str(), U8(text).c_str());
    return IDOK;
}

}  // namespace platform
