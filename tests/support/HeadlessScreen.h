#pragma once
#include <cstdint>
#include <functional>

#include "platform/window/HeadlessWindowSystem.h"

// A headless screen installed as the process's window system for the life of
// the object, and the loop run with which a test drives what it shows. Only
// one can exist at a time, as only one window system can be installed.
class HeadlessScreen {
public:
    explicit HeadlessScreen(int width = 240, int height = 320, int dpi = 96);
    ~HeadlessScreen();
    HeadlessScreen(const HeadlessScreen&) = delete;
    HeadlessScreen& operator=(const HeadlessScreen&) = delete;

    static platform::HeadlessWindowSystem& Windows();

    // Dispatches messages, timers included, until the loop has nothing left
    // to hand out but timers and `busy` (when given) no longer holds; the
    // loop clock jumps over the timers meanwhile, so a run that waits for an
    // animation ends as soon as it has played. Returns how many ticks of the
    // timer `countedTimer` (when not 0) went by.
    int RunUntilIdle(platform::Window* window, const std::function<bool()>& busy = {},
                     std::uintptr_t countedTimer = 0);
};
