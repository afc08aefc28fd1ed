#pragma once
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/FakeAdViewer.h"
#include "support/HeadlessScreen.h"
#include "support/StoreRun.h"
#include "shell/AdStrip.h"
#include "shell/KestrumApp.h"

class GObject;
class Scene;

// The real store in this process: the application object on a headless
// window of a devicectl device, run message by message. Only the web view of
// the advertising strip is a stand-in (the emulated device has none); it
// records what the strip asked of it.
class StoreHarness {
public:
    // Starts the store on the device, pointed at `baseUrl`, on its sign-in screen.
    StoreHarness(const StoreDevice& device, const std::u16string& baseUrl);
    ~StoreHarness();

    KestrumApp& App() { return *app; }
    platform::HeadlessWindowSystem& Windows();

    // Pushes a scene as a screen would, and lets it settle.
    void Push(const shared_ptr<Scene>& scene);
    // The top scene goes back, as its back link does.
    void Back();
    // Runs the loop until no request is left, nothing is dirty and every
    // animation that ends has ended.
    void Settle();
    // The same, but requests may still be on their way: the screen as it
    // looks while it waits for an answer.
    void SettleScreen();
    // From now on every settling gives up after `limit`, so that a request
    // that never ends fails the test instead of holding it; TimedOut() then
    // says so until the next settling.
    void LimitSettling(std::chrono::milliseconds limit) { settleLimit = limit; }
    bool TimedOut() const { return timedOut; }

    // The topmost shown label with this text, or null.
    GObject* Find(const std::u16string& text);
    std::vector<std::u16string> ShownTexts();
    // A tap (stylus down and up) on the label with this text, then Settle
    // (SettleScreen when the requests it starts are not to be waited for).
    bool TapText(const std::u16string& text, bool waitForRequests = true);
    // A soft key (left: command 112), then Settle.
    void SoftKey(bool left);
    bool PopupOpen();
    bool Screenshot(const std::filesystem::path& file);

    // A whole answer fetched beside the screens, as a second client would:
    // the body, or nothing when the request failed or outlived `limit`. The
    // handler is attached under the UI lock before the job can complete, so a
    // fast answer is never missed.
    static std::optional<std::string> FetchBeside(const std::u16string& url,
                                                  std::chrono::seconds limit = std::chrono::seconds(30));

    FakeAdViewer viewer;

private:
    template <class Done>
    void RunUntil(Done done);
    bool Tap(const Rect& area, bool waitForRequests);

    std::optional<HeadlessScreen> screen;
    std::unique_ptr<KestrumApp> app;
    std::chrono::milliseconds settleLimit{0};
    bool timedOut = false;
};
