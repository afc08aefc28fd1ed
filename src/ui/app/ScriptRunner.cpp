#include "ui/app/ScriptRunner.h"

#include <algorithm>
#include <functional>

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/Text.h"
#include "platform/window/IdleProbes.h"
#include "platform/window/ScreenShot.h"
#include "ui/app/Application.h"
#include "ui/app/TreeQuery.h"
#include "ui/layouts/RootMainLayout.h"
#include "ui/scenes/PopupBox.h"

using namespace platform;

namespace {

bool ParseTwoInts(const std::string& s, int& a, int& b) {
    std::istringstream in(s);
    std::string rest;
    return static_cast<bool>(in >> a >> b) && !(in >> rest);
}

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
    std::size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : s.substr(start);
}

}  // namespace

ScriptRunner::ScriptRunner(Application& app, HeadlessWindowSystem& system, std::istream* script)
    : app(app), system(system) {
    if (script) {
        for (std::string l; std::getline(*script, l);) lines.push_back(l);
        inputEnded = true;
    } else {
        reader = std::thread([this] { ReadStandardInput(); });
    }
    system.SetIdleHandler([this] { return OnIdle(); });
}

ScriptRunner::~ScriptRunner() {
    system.SetIdleHandler(nullptr);
    stopping = true;
    if (reader.joinable()) reader.join();
}

// Polls so that it notices when the run ends while nobody types.
void ScriptRunner::ReadStandardInput() {
    std::string pending;
    char buffer[4096];
    while (!stopping) {
        pollfd p{0, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        bool ended = n <= 0;
        if (!ended) pending.append(buffer, static_cast<std::size_t>(n));
        {
            std::lock_guard lock(linesMutex);
            for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1))
                lines.push_back(pending.substr(0, eol));
            if (ended) {
                if (!pending.empty()) lines.push_back(pending);
                inputEnded = true;
            }
        }
        if (Window* w = app.GetWindow()) system.PostMessage(w, WM_NULL, 0, 0);
        if (ended) return;
    }
}

ScriptRunner::Next ScriptRunner::NextLine() {
    std::lock_guard lock(linesMutex);
    if (lines.empty()) return inputEnded ? Next::End : Next::Wait;
    line = lines.front();
    lines.pop_front();
    return Next::Line;
}

bool ScriptRunner::Fail(const std::string& why) {
    failed = true;
    error = "line " + std::to_string(lineNumber) + ": " + line + ": " + why;
    std::fprintf(stderr, "script %s\n", error.c_str());
    state = State::Finished;
    app.Quit();
    return true;
}

bool ScriptRunner::IsIdle(std::string* reason) {
    {
        std::lock_guard lock(app.UILock());
        auto& server = app.GetServer();
        // A page that arrived after the last frame gets its highlight with
        // the next one, which may come after the next key: settled includes
        // where the keys are, or that key would only show the highlight.
        server.Keys().Resolve();
        if (!server.GetDirtyRect().IsEmpty()) {
            *reason = "the screen is still dirty";
            return false;
        }
        if (!server.IsSettled()) {
            *reason = "animations are still running";
            return false;
        }
        // Asked under the UI lock: background work hands over to other
        // background work under it (a download queues its installation), so
        // outside it each job could be seen idle while the next one starts.
        if (!IdleProbes::Instance().AllIdle()) {
            *reason = "background jobs are still running";
            return false;
        }
    }
    return true;
}

bool ScriptRunner::IsPainted() {
    std::lock_guard lock(app.UILock());
    return app.GetServer().GetDirtyRect().IsEmpty();
}

bool ScriptRunner::WriteScreenshot() {
    std::string why;
    const auto& m = system.Metrics();
    if (!WriteScreenPng(screenshotFile, system.Screen().data(), m.width, m.height, &why)) return !Fail(why);
    return true;
}

ScriptRunner::IdleResult ScriptRunner::OnIdle() {
    for (;;) {
        switch (state) {
        case State::Finished:
            return {};
        case State::WaitingIdle: {
            std::string reason;
            if (IsIdle(&reason)) {
                state = State::Ready;
                break;
            }
            if (Clock::now() >= deadline) {
                Fail("not idle after " + ::text::FormatDouble(idleTimeout) + " s: " + reason);
                return {true, {}};
            }
            // Look again soon: a worker may finish without posting anything.
            return {false, std::min(deadline, Clock::now() + std::chrono::milliseconds(20)), false, true};
        }
        case State::Painting:
            // A screen that keeps changing (a spinner) is taken as it is.
            if (!IsPainted() && Clock::now() < deadline)
                return {false, std::min(deadline, Clock::now() + std::chrono::milliseconds(10)), false, true};
            state = State::Ready;
            if (!WriteScreenshot()) return {true, {}};
            break;
        case State::Dragging:
            if (DragStep()) return {true, {}};
            break;
        case State::Seeking:
            if (SeekStep()) return {true, {}};
            break;
        case State::Sleeping:
            if (Clock::now() < deadline) return {false, deadline};
            state = State::Ready;
            break;
        case State::Ready: {
            const Next next = NextLine();
            if (next == Next::Wait) return {false, Clock::now() + std::chrono::milliseconds(100), true};
            if (next == Next::End) {
                state = State::Finished;
                app.Quit();
                return {true, {}};
            }
            ++lineNumber;
            line = Trim(line);
            if (line.empty() || line[0] == '#') break;
            const auto space = line.find(' ');
            const std::string command = line.substr(0, space);
            const std::string argument = space == std::string::npos ? std::string() : Trim(line.substr(space + 1));
            if (Execute(command, argument)) return {true, {}};
            break;
        }
        }
    }
}

bool ScriptRunner::Execute(const std::string& command, const std::string& argument) {
    if (command == "tap" || command == "down" || command == "move" || command == "up") return Stylus(command, argument);
    if (command == "tap-text") return TapText(U16(argument));
    if (command == "tap-text-below") return TapTextBelow(argument);
    if (command == "tap-text-start") {
        const std::u16string start = U16(argument);
        if (start.empty()) return Fail("no text to start with");
        return TapLabel([&start](GObject& root) { return treequery::FindLabelStarting(root, start); });
    }
    if (command == "drag-text") return StartDrag(argument);
    if (command == "key") return Key(argument);
    if (command == "key-until") return StartSeeking(argument);
    if (command == "type") {
        if (argument.empty()) return Fail("nothing to type");
        system.TypeText(U16(argument));
        return true;
    }
    if (command == "wait-idle") {
        idleTimeout = kDefaultIdleTimeout;
        if (!argument.empty() && (!::text::ParseDouble(argument, idleTimeout) || idleTimeout < 0))
            return Fail("the timeout is not a number of seconds");
        state = State::WaitingIdle;
        deadline = Clock::now() + std::chrono::milliseconds(static_cast<long long>(idleTimeout * 1000));
        return false;
    }
    if (command == "sleep") {
        int ms = 0;
        if (!::text::ParseInt(argument, ms) || ms < 0) return Fail("the time is not a number of milliseconds");
        state = State::Sleeping;
        deadline = Clock::now() + std::chrono::milliseconds(ms);
        return false;
    }
    if (command == "screenshot") {
        if (argument.empty()) return Fail("no file name");
        // The picture shows what the commands before it did: keys and taps
        // are handled and painted first, as a person would see them.
        screenshotFile = argument;
        state = State::Painting;
        deadline = Clock::now() + std::chrono::seconds(2);
        return false;
    }
    if (command == "dump-tree") {
        if (argument.empty()) return Fail("no file name");
        nlohmann::json tree;
        {
            std::lock_guard lock(app.UILock());
            auto root = app.GetServer().GetRoot();
            // In screen coordinates, as "tap" takes them.
            const WinRect& w = app.GetWindow()->Rect();
            tree = root ? treequery::Dump(*root, w.left, w.top) : nlohmann::json();
            tree["windows"] = ChildWindows();
        }
        std::ofstream out(argument, std::ios::trunc);
        out << tree.dump(2) << '\n';
        out.close();
        if (!out) return Fail("cannot write " + argument);
        return false;
    }
    if (command == "expect-highlight") {
        if (argument.empty()) return Fail("no text to expect");
        std::lock_guard lock(app.UILock());
        if (!app.GetServer().Keys().Highlight()) return Fail("nothing is highlighted");
        if (!HighlightStarts(U16(argument)))
            return Fail("the highlight shows no label starting so (it is on " + HighlightShown() + ")");
        return false;
    }
    if (command == "expect-text") {
        std::lock_guard lock(app.UILock());
        auto root = app.GetServer().GetRoot();
        if (!root || !treequery::FindLabel(*root, U16(argument))) return Fail("no shown label has this text");
        return false;
    }
    if (command == "expect-no-text-start") {
        if (argument.empty()) return Fail("no text to look for");
        std::lock_guard lock(app.UILock());
        auto root = app.GetServer().GetRoot();
        if (root && treequery::FindLabelStarting(*root, U16(argument))) return Fail("a shown label starts so");
        return false;
    }
    if (command == "expect-clean-layout") {
        std::lock_guard lock(app.UILock());
        auto root = app.GetServer().GetRoot();
        if (!root) return Fail("nothing is shown");
        const treequery::LayoutIds ids{RootMainLayout::CloseAdsButton, RootMainLayout::StripLink, PopupBox::kLayerId};
        const std::vector<std::string> faults = treequery::LayoutFaults(*root, ids);
        if (faults.empty()) return false;
        std::string all;
        for (const std::string& f : faults) all += "\n  " + f;
        return Fail("the layout is not clean:" + all);
    }
    if (command == "quit") {
        state = State::Finished;
        app.Quit();
        return true;
    }
    return Fail("unknown command");
}

// The controls inside the application window (the HTML viewer): what they
// show is no part of the drawn tree, so the dump lists them beside it, in
// screen coordinates like the tree.
nlohmann::json ScriptRunner::ChildWindows() const {
    nlohmann::json out = nlohmann::json::array();
    Window* main = app.GetWindow();
    if (!main) return out;
    for (Window* child : system.Children(main)) {
        const WinRect& r = child->Rect();
        out.push_back({{"class", U8(child->ClassName())},
                       {"rect", {r.left, r.top, r.Width(), r.Height()}},
                       {"visible", child->Visible()},
                       {"text", U8(child->Title())}});
    }
    return out;
}

bool ScriptRunner::Stylus(const std::string& command, const std::string& argument) {
    int x = 0, y = 0;
    if (!ParseTwoInts(argument, x, y)) return Fail("expected two whole numbers X Y");
    if (command == "tap" || command == "down") system.StylusDown(x, y);
    if (command == "move") system.StylusMove(x, y);
    if (command == "tap" || command == "up") system.StylusUp(x, y);
    return true;
}

namespace {

std::uint32_t KeyNamed(const std::string& name) {
    static const std::pair<const char*, std::uint32_t> keys[] = {
        {"enter", VK_RETURN}, {"left", VK_LEFT}, {"up", VK_UP}, {"right", VK_RIGHT}, {"down", VK_DOWN},
        {"delete", VK_DELETE}, {"soft1", VK_F1}, {"soft2", VK_F2}, {"f3", VK_F3}, {"f4", VK_F4}};
    for (const auto& [keyName, vk] : keys)
        if (name == keyName) return vk;
    return 0;
}

}  // namespace

bool ScriptRunner::HighlightStarts(const std::u16string& text) {
    std::lock_guard lock(app.UILock());
    const shared_ptr<GObject>& lit = app.GetServer().Keys().Highlight();
    if (!lit) return false;
    // "#ID": an object that shows no text of its own.
    if (int32_t id = 0; text.size() > 1 && text[0] == u'#' && ::text::ParseInt(text.substr(1), id))
        return lit->GetId() == id;
    return treequery::FindLabelStarting(*lit, text);
}

std::string ScriptRunner::HighlightShown() {
    std::lock_guard lock(app.UILock());
    const shared_ptr<GObject>& lit = app.GetServer().Keys().Highlight();
    if (!lit) return "nothing";
    std::u16string text;
    const std::string id = "#" + std::to_string(lit->GetId());
    if (GObject* label = treequery::FindLabelStarting(*lit, u""); label && treequery::LabelText(*label, text))
        return text.empty() ? "an empty text, " + id : "\"" + U8(text) + "\"";
    return id;
}

// "key-until NAME | TEXT": the screens differ in how many presses a walk
// takes (a tall row pages through on a small screen), so the script names
// where it goes rather than how far.
bool ScriptRunner::StartSeeking(const std::string& argument) {
    const size_t bar = argument.find(" | ");
    seekKey = bar == std::string::npos ? 0 : KeyNamed(argument.substr(0, bar));
    if (!seekKey) return Fail("expected a key NAME | TEXT");
    seekText = U16(argument.substr(bar + 3));
    seekPresses = 0;
    state = State::Seeking;
    return false;
}

bool ScriptRunner::SeekStep() {
    constexpr int kMaxPresses = 30;
    if (HighlightStarts(seekText)) {
        state = State::Ready;
        return false;
    }
    if (++seekPresses > kMaxPresses)
        return Fail("the highlight never reached the label (it is on " + HighlightShown() + ")");
    system.KeyDown(seekKey);
    system.KeyUp(seekKey);
    return true;
}

// "key NAME [COUNT]": the key pressed and released COUNT times (default once).
bool ScriptRunner::Key(const std::string& argument) {
    std::istringstream in(argument);
    std::string name, rest;
    int count = 1;
    in >> name;
    if (!in.eof() && (!(in >> count) || count < 1 || (in >> rest)))
        return Fail("expected a key and a count of presses");
    if (const std::uint32_t vk = KeyNamed(name)) {
        for (int i = 0; i < count; ++i) {
            system.KeyDown(vk);
            system.KeyUp(vk);
        }
        return true;
    }
    return Fail("unknown key (enter, left, up, right, down, delete, soft1, soft2, f3, f4)");
}

bool ScriptRunner::TapText(const std::u16string& text) {
    return TapLabel([&text](GObject& root) { return treequery::FindLabel(root, text); });
}

// "tap-text-below ANCHOR | TEXT": the TEXT nearest below the label ANCHOR.
bool ScriptRunner::TapTextBelow(const std::string& argument) {
    const size_t bar = argument.find(" | ");
    if (bar == std::string::npos) return Fail("expected ANCHOR | TEXT");
    const std::u16string anchor = U16(argument.substr(0, bar)), text = U16(argument.substr(bar + 3));
    return TapLabel([&](GObject& root) { return treequery::FindLabelBelow(root, anchor, text); });
}

bool ScriptRunner::LabelPoint(const std::function<GObject*(GObject&)>& find, int& x, int& y, Rect* area) {
    std::lock_guard lock(app.UILock());
    auto root = app.GetServer().GetRoot();
    GObject* label = root ? find(*root) : nullptr;
    Rect r;
    // The middle of the part that is seen, not of the whole label: a label
    // half scrolled out of its list is hit where it shows.
    if (!label || !treequery::VisibleArea(*label, r)) return false;
    const WinRect& w = app.GetWindow()->Rect();
    x = w.left + r.x + r.width / 2;
    y = w.top + r.y + r.height / 2;
    if (area) *area = Rect(w.left + r.x, w.top + r.y, r.width, r.height);
    return true;
}

bool ScriptRunner::TapLabel(const std::function<GObject*(GObject&)>& find) {
    int x = 0, y = 0;
    if (!LabelPoint(find, x, y)) return Fail("no shown label has this text");
    system.StylusDown(x, y);
    system.StylusUp(x, y);
    return true;
}

// "drag-text FROM | TO": the finger goes down on FROM and slides in small
// steps towards TO, looking again after each step, since a list that is
// pulled moves what it carries (at half the finger's speed past an end).
bool ScriptRunner::StartDrag(const std::string& argument) {
    const size_t bar = argument.find(" | ");
    if (bar == std::string::npos) return Fail("expected FROM | TO");
    const std::u16string from = U16(argument.substr(0, bar));
    dragTarget = U16(argument.substr(bar + 3));
    if (from.empty() || dragTarget.empty()) return Fail("expected FROM | TO");
    if (!LabelPoint([&from](GObject& root) { return treequery::FindLabelStarting(root, from); }, dragX, dragY))
        return Fail("no shown label starts with " + argument.substr(0, bar));
    dragSteps = 0;
    system.StylusDown(dragX, dragY);
    state = State::Dragging;
    return true;
}

bool ScriptRunner::DragStep() {
    int x = 0, y = 0;
    Rect target;
    if (!LabelPoint([this](GObject& root) { return treequery::FindLabelStarting(root, dragTarget); }, x, y, &target))
        return Fail("the label to drag to is not shown");
    if (target.Contains(Point{dragX, dragY})) {
        system.StylusUp(dragX, dragY);
        state = State::Ready;
        return true;
    }
    constexpr int kMaxSteps = 200;
    if (++dragSteps > kMaxSteps) return Fail("the finger never reached the label");
    // Steps of about a thirtieth of the screen: many moves, as a finger makes.
    const int step = std::max(2, system.Metrics().height / 30);
    dragX += std::clamp(x - dragX, -step, step);
    dragY += std::clamp(y - dragY, -step, step);
    system.StylusMove(dragX, dragY);
    return true;
}
