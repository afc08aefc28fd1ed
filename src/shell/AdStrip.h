#pragma once
#include <cstdint>
#include <functional>
#include <string>

// What the strip needs of the web view that shows the advertisement: on the
// device, the HTML viewer control (HtmlAdViewer).
class AdViewer {
public:
    virtual ~AdViewer() = default;
    virtual void Show(bool visible) = 0;
    virtual bool IsVisible() const = 0;
    virtual void Clear() = 0;
    virtual void Navigate(const std::u16string& url) = 0;
    virtual void Place(int x, int y, int width, int height) = 0;
    // Rings the view as the key highlight, or takes the ring away.
    virtual void ShowKeyHighlight(bool shown) = 0;
    // Follows the page's link as a tap would (the link comes back as a tap's
    // does); false when there is none.
    virtual bool FollowLink() = 0;
};

// The advertising strip at the bottom of the screen: when it shows, when it
// reloads, and how long it stays away after the user dismissed it or
// followed one of its links. It owns nothing on screen itself; the view,
// the close button, the timer and the browser are reached through the hooks.
class AdStrip {
public:
    static constexpr std::uintptr_t kTimerId = 666;
    static constexpr unsigned kAfterLinkMs = 600000;   // 10 minutes
    static constexpr unsigned kAfterCloseMs = 300000;  // 5 minutes
    static constexpr int kTapsPerReload = 10;

    struct Hooks {
        std::function<void(bool)> showCloseButton;
        std::function<void(unsigned)> startTimer;  // timer kTimerId
        std::function<void()> stopTimer;
        std::function<void(const std::u16string&)> openBrowser;
        std::function<std::u16string()> languageName;
    };

    // `site` is the advertising site's address, ending with "/".
    AdStrip(AdViewer& viewer, std::u16string site, Hooks hooks);

    // The strip's rectangle for a window of this size; `lineHeight` is the
    // system font height.
    void Place(int windowWidth, int windowHeight, int lineHeight);

    void Enable() { enabled = true; }
    bool IsEnabled() const { return enabled; }
    // Shows or hides the view and the close button; nothing while disabled.
    void Show(bool visible);
    // Starts the page again from the top; the tap count starts over.
    void Reload();
    // The page for the current language.
    std::u16string PageUrl() const;

    // A stylus tap anywhere in the window: every tenth one while the strip
    // is visible reloads it.
    void OnStylusUp();
    // The user followed a link of the page.
    void OnLinkTapped(const std::u16string& link);
    // The close button.
    void OnCloseTapped();
    // Enter on the strip, for a device without a touch screen: follows the
    // page's link.
    void OnLinkChosen();
    // Timer kTimerId: the strip comes back.
    void OnTimer();

    int TapCount() const { return taps; }

private:
    void Dismiss(unsigned awayMs);

    AdViewer& viewer;
    std::u16string site;
    Hooks hooks;
    bool enabled = false;
    int taps = 0;
};
