#pragma once
#include <functional>

class GObject;
#include <atomic>
#include <chrono>
#include <deque>
#include <istream>
#include <mutex>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "platform/window/HeadlessWindowSystem.h"
#include "ui/Rect.h"

class Application;

// Drives a headless run from a script, one command a line:
//   tap X Y | down X Y | move X Y | up X Y      stylus, device screen pixels
//   tap-text TEXT                               tap the topmost shown label TEXT
//   tap-text-start TEXT                         ... whose text starts with TEXT
//   drag-text FROM | TO                         press on the label starting with FROM and
//                                               slide towards the one starting with TO until
//                                               it is under the finger, then lift
//   key NAME [COUNT]                            enter left up right down delete soft1 soft2 f3 f4
//   key-until NAME | TEXT                       press NAME until a label under the key highlight
//                                               starts with TEXT (at most 30 presses)
//   type TEXT                                   characters, any script
//   wait-idle [SECONDS]                         until nothing runs, is dirty or is pending (default 10)
//   screenshot FILE.png | dump-tree FILE.json     (the tree and, under "windows",
//                                               the controls in the window; every
//                                               rectangle in screen pixels, as tap
//                                               takes them)
//   expect-text TEXT | sleep MS | quit
//   expect-no-text-start TEXT                   no shown label's text starts with TEXT
//   expect-clean-layout                         no label cut where the screen has room for its text
//                                               (unless its layout allows it), no two texts drawn
//                                               over each other, no key stop under the strip or,
//                                               where it could be clear, its close button
//   expect-highlight TEXT                       a label under the key highlight starts with TEXT;
//                                               #ID: the highlighted object has that id (the
//                                               strip's close button #1000, its link #1001)
// Blank lines and lines starting with '#' are skipped. A screenshot shows the
// screen as it is: frames follow the frame timer, so a script waits for idle
// before it looks at what its input changed. Commands run when the
// loop has handled everything the previous one caused (but before timers), so
// a run is deterministic. A failing command prints its line and why, and
// ends the program with Failed() set.
class ScriptRunner {
public:
    // Reads the whole of `script`; without one, lines come from standard input
    // as they are typed (read on a thread of its own, so the loop keeps
    // running meanwhile).
    ScriptRunner(Application& app, platform::HeadlessWindowSystem& system, std::istream* script);
    ~ScriptRunner();

    bool Failed() const { return failed; }
    const std::string& Error() const { return error; }

    static constexpr double kDefaultIdleTimeout = 10.0;

private:
    using Clock = std::chrono::steady_clock;
    using IdleResult = platform::HeadlessWindowSystem::IdleResult;
    enum class State { Ready, WaitingIdle, Sleeping, Painting, Dragging, Seeking, Finished };

    IdleResult OnIdle();
    void ReadStandardInput();
    enum class Next { Line, Wait, End };
    Next NextLine();
    // Runs one line: true when it queued input that the loop must handle
    // before the next command.
    bool Execute(const std::string& command, const std::string& argument);
    bool Fail(const std::string& why);
    bool IsIdle(std::string* reason);
    bool IsPainted();
    bool WriteScreenshot();
    bool Stylus(const std::string& command, const std::string& argument);
    bool Key(const std::string& argument);
    bool StartSeeking(const std::string& argument);
    bool SeekStep();
    bool HighlightStarts(const std::u16string& text);
    // Where the highlight is, for a failure: its first text or its id.
    std::string HighlightShown();
    bool TapText(const std::u16string& text);
    bool TapTextBelow(const std::string& argument);
    bool TapLabel(const std::function<GObject*(GObject&)>& find);
    bool StartDrag(const std::string& argument);
    bool DragStep();
    // Screen point of the middle of the shown part of the label found.
    bool LabelPoint(const std::function<GObject*(GObject&)>& find, int& x, int& y, Rect* area = nullptr);
    nlohmann::json ChildWindows() const;

    Application& app;
    platform::HeadlessWindowSystem& system;
    std::mutex linesMutex;
    std::deque<std::string> lines;
    bool inputEnded = false;
    std::atomic<bool> stopping{false};
    std::thread reader;
    State state = State::Ready;
    Clock::time_point deadline;
    double idleTimeout = kDefaultIdleTimeout;
    int lineNumber = 0;
    std::string screenshotFile;  // waiting for the frame that shows the input before it
    std::u16string dragTarget;   // the label a drag slides to
    int dragX = 0, dragY = 0, dragSteps = 0;
    std::uint32_t seekKey = 0;  // key-until: the key, the label sought, presses so far
    std::u16string seekText;
    int seekPresses = 0;
    std::string line;
    bool failed = false;
    std::string error;
};
