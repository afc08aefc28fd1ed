#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/htmlview/Page.h"
#include "platform/window/IdleProbes.h"
#include "platform/window/Window.h"

namespace platform::htmlview {

// One viewer window: the page it shows, the pages on their way, its frame.
// Pages load on threads of their own, each building a whole Page, and come
// back to the UI thread as a posted message; only the newest navigation's
// page is shown. While any load is out the viewer is busy for headless runs.
class HtmlViewControl {
public:
    // Registers the viewer's window class with the current window system.
    static bool RegisterWindowClass();

    // A bordered control draws a one-pixel frame round the page.
    HtmlViewControl(Window* window, bool bordered);
    // Stops every load and waits for its thread.
    ~HtmlViewControl();
    HtmlViewControl(const HtmlViewControl&) = delete;
    HtmlViewControl& operator=(const HtmlViewControl&) = delete;

    LRESULT Handle(std::uint32_t message, WPARAM wParam, LPARAM lParam);

private:
    struct Load {
        std::uint64_t generation = 0;
        std::atomic<bool> cancel{false};
        std::unique_ptr<Page> page;  // written by the thread before it posts
        std::thread thread;
    };

    void Navigate(const std::string& url);
    void StopLoads();
    void Clear();
    void Arrived(std::uint64_t generation);
    void Show(std::unique_ptr<Page> shown);
    void Resize(int width, int height);
    void Paint();
    void DrawFrame();
    void StylusUp(int x, int y);
    bool FollowFirstLink();
    void Notify(const std::string& link);
    void DrawKeyRing();

    Window* window;
    bool bordered;
    bool keyHighlight = false;
    PageSettings settings;
    std::unique_ptr<Page> page;
    std::vector<std::unique_ptr<Load>> loads;  // out, or back and not yet joined
    std::uint64_t generation = 0;
    std::shared_ptr<std::atomic<std::size_t>> loadsOut = std::make_shared<std::atomic<std::size_t>>(0);
    ScopedIdleProbe idleProbe;
    std::vector<std::uint16_t> pixels;
    int width = 0, height = 0;
};

}  // namespace platform::htmlview
