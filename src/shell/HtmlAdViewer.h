#pragma once
#include <memory>
#include <string>

#include "shell/AdStrip.h"

namespace platform {
class Window;
}

// The advertising strip's view on the device: a window of the HTML viewer
// control inside the application window. Made only when the device has the
// viewer's library; otherwise the shell runs without a strip.
class HtmlAdViewer : public AdViewer {
public:
    // Loads and initialises the viewer's library and creates its window,
    // hidden, inside `parent`. Null when the device has no viewer.
    static std::unique_ptr<HtmlAdViewer> Create(platform::Window* parent);
    ~HtmlAdViewer() override;

    void Show(bool visible) override;
    bool IsVisible() const override;
    void Clear() override;
    void Navigate(const std::u16string& url) override;
    void Place(int x, int y, int width, int height) override;
    void ShowKeyHighlight(bool shown) override;
    bool FollowLink() override;

    platform::Window* GetWindow() const { return window; }

private:
    explicit HtmlAdViewer(platform::Window* window) : window(window) {}
    platform::Window* window;
};
