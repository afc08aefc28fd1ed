#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/window/WindowSystem.h"

namespace platform {

// No window: frames land in the screen buffer only. Timers run on the loop
// clock, which jumps straight to the next timer whenever the loop would only
// wait for it (no thread has work in flight), so animations finish at once
// and runs are deterministic; while a thread is busy real time passes.
class HeadlessWindowSystem : public WindowSystem {
public:
    explicit HeadlessWindowSystem(ScreenMetrics metrics) : WindowSystem(std::move(metrics)) {}

    const char* Name() const override { return "headless"; }

    // Called whenever the loop has nothing to hand out but timers: a script
    // runs its next command here. `acted` means it queued work; otherwise the
    // loop goes on with timers and may sleep until `wakeBy`.
    struct IdleResult {
        bool acted = false;
        std::optional<LoopClock::RealClock::time_point> wakeBy;
        // Waiting for something outside (a person typing a script): timers
        // then run in real time instead of jumping.
        bool realTime = false;
        // Waiting for the program to settle between two steps of a script:
        // the clock jumps no further than `wakeBy`. A person's next step
        // comes at once, so a timer minutes away (the advertising strip's
        // return) must not fire in between, as it did whenever a worker
        // finished between the script's look and the loop's.
        bool settling = false;
    };
    using IdleHandler = std::function<IdleResult()>;
    void SetIdleHandler(IdleHandler handler) { idleHandler = std::move(handler); }

    // Every message box shown so far (caption, text).
    const std::vector<std::pair<std::u16string, std::u16string>>& MessageBoxes() const { return boxes; }

protected:
    void WaitForWork(std::optional<std::uint64_t> nextTimerDue) override;
    int ShowMessageBox(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) override;

private:
    IdleHandler idleHandler;
    std::vector<std::pair<std::u16string, std::u16string>> boxes;
};

}  // namespace platform
