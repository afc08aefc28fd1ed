#include "platform/window/WindowSystem.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace platform {

namespace {
std::unique_ptr<WindowSystem>& Slot() {
    static std::unique_ptr<WindowSystem> system;
    return system;
}
constexpr std::uint16_t kDesktopColor = 0x0000;
constexpr std::uint16_t kTaskBarColor = 0x10A6;  // a dark blue-grey strip
}  // namespace

WindowSystem::WindowSystem(ScreenMetrics metrics)
    : metrics(metrics),
      queue(clock),
      uiThread(std::this_thread::get_id()),
      screen(static_cast<std::size_t>(std::max(metrics.width, 1)) * std::max(metrics.height, 1), kDesktopColor) {
    DrawTaskBar();
}

WindowSystem::~WindowSystem() = default;

void WindowSystem::Install(std::unique_ptr<WindowSystem> system) { Slot() = std::move(system); }
bool WindowSystem::Installed() { return Slot() != nullptr; }
void WindowSystem::Uninstall() { Slot().reset(); }

WindowSystem& WindowSystem::Current() {
    if (!Slot()) throw std::logic_error("no window system installed");
    return *Slot();
}

std::uint32_t WindowSystem::RegisterWindowMessage(const std::u16string& name) {
    static std::mutex mutex;
    static std::map<std::u16string, std::uint32_t> names;
    std::lock_guard lock(mutex);
    auto [it, added] = names.emplace(name, 0xC000u + static_cast<std::uint32_t>(names.size()));
    return it->second;
}

// --- Windows -------------------------------------------------------------

bool WindowSystem::RegisterClass(const WindowClass& windowClass) {
    if (windowClass.name.empty() || !windowClass.procedure) return false;
    return classes.emplace(windowClass.name, windowClass).second;
}

Window* WindowSystem::NewWindow(Window::Kind kind) {
    windows.push_back(std::unique_ptr<Window>(new Window()));
    windows.back()->kind = kind;
    return windows.back().get();
}

Window* WindowSystem::CreateWindow(const std::u16string& className, const std::u16string& title,
                                   std::uint32_t style, const WinRect& rect, void* createParams, Window* parent) {
    auto cls = classes.find(className);
    if (cls == classes.end()) return nullptr;
    const bool child = (style & WS_CHILD) && IsWindow(parent);
    Window* w = NewWindow(child ? Window::Kind::Child : Window::Kind::Application);
    w->className = className;
    w->title = title;
    w->procedure = cls->second.procedure;
    w->classStyle = cls->second.style;
    WinRect place = rect.Empty() && !child ? WorkArea() : rect;
    w->rect = place;
    if (child) {
        w->owner = parent;
        w->rect = {place.left + parent->rect.left, place.top + parent->rect.top, place.right + parent->rect.left,
                   place.bottom + parent->rect.top};
    }
    CreateStruct cs{createParams, place.left, place.top, place.Width(), place.Height(), style, title, className};
    if (SendMessage(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        w->destroyed = true;
        queue.Forget(w);
        return nullptr;
    }
    SendMessage(w, WM_SIZE, 0, MakeLParam(place.Width(), place.Height()));
    SendMessage(w, WM_MOVE, 0, MakeLParam(place.left, place.top));
    if (style & WS_VISIBLE) ShowWindow(w, true);
    return w;
}

void WindowSystem::DestroyWindow(Window* window) {
    if (!IsWindow(window)) return;
    for (auto& w : windows)
        if (w->owner == window && !w->destroyed) DestroyWindow(w.get());
    if (window->procedure) SendMessage(window, WM_DESTROY, 0, 0);
    const bool uncovers = window->kind == Window::Kind::Child && window->visible;
    window->destroyed = true;
    window->visible = false;
    if (uncovers) Uncover(window, window->rect);
    queue.Forget(window);
    if (focus == window) focus = nullptr;
    if (capture == window) capture = nullptr;
    if (active == window) active = nullptr;
    if (stylusWindow == window) stylusWindow = nullptr;
    if (window->kind == Window::Kind::MenuBar) ChromeChanged();
}

Window* WindowSystem::FindWindow(const std::u16string& className) const {
    for (auto& w : windows)
        if (!w->destroyed && w->kind == Window::Kind::Application && w->className == className) return w.get();
    return nullptr;
}

bool WindowSystem::IsWindow(const Window* window) const {
    if (!window || window->destroyed) return false;
    return std::any_of(windows.begin(), windows.end(), [&](auto& w) { return w.get() == window; });
}

std::vector<Window*> WindowSystem::Children(const Window* parent) const {
    std::vector<Window*> out;
    for (auto& w : windows)
        if (!w->destroyed && w->kind == Window::Kind::Child && w->owner == parent) out.push_back(w.get());
    return out;
}

void WindowSystem::SetWindowText(Window* window, const std::u16string& text) {
    if (IsWindow(window)) window->title = text;
}

WinRect WindowSystem::VisibleRect(const Window* window) const {
    WinRect r = IntersectRect(window->rect, {0, 0, metrics.width, metrics.height});
    for (const Window* w = window; w; w = w->kind == Window::Kind::Child ? w->owner : nullptr) {
        if (w->destroyed || !w->visible) return {};
        r = IntersectRect(r, w->rect);
    }
    return r;
}

void WindowSystem::Uncover(const Window* child, const WinRect& area) {
    Window* parent = child->owner;
    if (!IsWindow(parent) || !parent->visible) return;
    const WinRect inParent{area.left - parent->rect.left, area.top - parent->rect.top, area.right - parent->rect.left,
                           area.bottom - parent->rect.top};
    InvalidateRect(parent, &inParent, false);
}

void WindowSystem::ShiftChildren(const Window* parent, int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    for (Window* child : Children(parent)) {
        child->rect = {child->rect.left + dx, child->rect.top + dy, child->rect.right + dx, child->rect.bottom + dy};
        ShiftChildren(child, dx, dy);
    }
}

// --- Messages ------------------------------------------------------------

void WindowSystem::DeliverSent() {
    while (auto s = queue.TakeSent()) {
        LRESULT r = 0;
        try {
            r = s->call ? s->call() : DispatchMessage(s->message);
        } catch (...) {
            s->answer.set_exception(std::current_exception());
            continue;
        }
        s->answer.set_value(r);
    }
}

bool WindowSystem::GetMessage(Message& out) {
    for (;;) {
        Pump();
        DeliverSent();
        if (queue.TryGet(out)) return out.message != WM_QUIT;
        WaitForWork(queue.NextTimerDue());
    }
}

void WindowSystem::TranslateMessage(const Message& m) {
    if (m.message != WM_KEYDOWN) return;
    switch (m.wParam) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
        PostMessage(m.window, WM_CHAR, m.wParam, m.lParam);
        break;
    default:
        break;
    }
}

LRESULT WindowSystem::DispatchMessage(const Message& m) {
    if (!m.window || m.window->destroyed || !m.window->procedure) return 0;
    return m.window->procedure(m.window, m.message, m.wParam, m.lParam);
}

bool WindowSystem::PostMessage(Window* window, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (!window || window->destroyed) return false;
    queue.Post(Message{window, message, wParam, lParam});
    return true;
}

LRESULT WindowSystem::SendMessage(Window* window, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (!window || window->destroyed) return 0;
    Message m{window, message, wParam, lParam};
    if (OnUIThread()) return DispatchMessage(m);
    return queue.SendFromOtherThread(m).get();
}

LRESULT WindowSystem::RunOnUIThread(std::function<LRESULT()> call, const std::atomic<bool>* cancel) {
    if (OnUIThread()) return call();
    auto answer = queue.CallFromOtherThread(std::move(call));
    if (!cancel) return answer.get();
    while (answer.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        if (cancel->load()) return 0;
    return answer.get();
}

void WindowSystem::PostQuitMessage(int exitCode) { queue.PostQuit(exitCode); }

LRESULT WindowSystem::DefWindowProc(Window* window, std::uint32_t message, WPARAM, LPARAM) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_PAINT: {
        // Nobody painted: validate so that the paint message does not repeat.
        queue.Validate(window, nullptr, nullptr);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    default:
        return 0;
    }
}

// --- Timers ----------------------------------------------------------------

bool WindowSystem::SetTimer(Window* window, std::uintptr_t id, unsigned periodMs) {
    if (!window || window->destroyed) return false;
    queue.SetTimer(window, id, std::max(periodMs, 1u));
    return true;
}

bool WindowSystem::KillTimer(Window* window, std::uintptr_t id) {
    if (!queue.HasTimer(window, id)) return false;
    queue.KillTimer(window, id);
    return true;
}

bool WindowSystem::HasTimer(Window* window, std::uintptr_t id) const { return queue.HasTimer(window, id); }

// --- Painting --------------------------------------------------------------

void WindowSystem::InvalidateRect(Window* window, const WinRect* rect, bool erase) {
    if (!window || window->destroyed) return;
    WinRect area = window->ClientRect();
    if (rect) area = IntersectRect(*rect, area);
    queue.Invalidate(window, area, erase);
}

PaintStruct WindowSystem::BeginPaint(Window* window) {
    PaintStruct ps;
    queue.Validate(window, &ps.paint, &ps.erase);
    if (ps.erase) ps.erase = SendMessage(window, WM_ERASEBKGND, 0, 0) == 0;
    return ps;
}

void WindowSystem::EndPaint(Window*, const PaintStruct&) {}

void WindowSystem::UpdateWindow(Window* window) {
    if (IsWindow(window) && queue.NeedsPaint(window)) SendMessage(window, WM_PAINT, 0, 0);
}

void WindowSystem::Present(Window* window, const std::uint16_t* pixels, int stride, const WinRect& rect) {
    if (!IsWindow(window) || !window->visible || !pixels) return;
    const WinRect& wr = window->rect;
    WinRect onScreen{wr.left + rect.left, wr.top + rect.top, wr.left + rect.right, wr.top + rect.bottom};
    onScreen = IntersectRect(onScreen, VisibleRect(window));
    // The task bar stays on top of every window until a full-screen call hides it.
    if (taskBarVisible && onScreen.top < metrics.TaskBarHeight())
        onScreen = IntersectRect(onScreen, {0, metrics.TaskBarHeight(), metrics.width, metrics.height});
    if (onScreen.Empty()) return;
    for (int y = onScreen.top; y < onScreen.bottom; ++y)
        CopyRow(window, pixels + static_cast<std::size_t>(y - wr.top) * stride - wr.left, y, onScreen.left,
                onScreen.right);
    ++framesPresented;
    ScreenChanged(onScreen);
}

// `row` is indexed by screen x. The spans under the window's visible children
// are left alone: a control stays on top of its parent's frames.
void WindowSystem::CopyRow(const Window* window, const std::uint16_t* row, int y, int left, int right) {
    int x = left;
    while (x < right) {
        int end = right;
        bool covered = false;
        for (auto& c : windows) {
            if (c->destroyed || !c->visible || c->kind != Window::Kind::Child || c->owner != window) continue;
            const WinRect& cr = c->rect;
            if (y < cr.top || y >= cr.bottom || cr.right <= x || cr.left >= end) continue;
            if (cr.left <= x) {
                x = cr.right;
                covered = true;
                break;
            }
            end = cr.left;
        }
        if (covered) continue;
        std::memcpy(&screen[static_cast<std::size_t>(y) * metrics.width + x], row + x,
                    static_cast<std::size_t>(end - x) * 2);
        x = end;
    }
}

void WindowSystem::FillScreen(const WinRect& area, std::uint16_t color) {
    WinRect a = IntersectRect(area, {0, 0, metrics.width, metrics.height});
    for (int y = a.top; y < a.bottom; ++y)
        std::fill_n(&screen[static_cast<std::size_t>(y) * metrics.width + a.left], a.Width(), color);
}

void WindowSystem::DrawTaskBar() {
    if (taskBarVisible) FillScreen({0, 0, metrics.width, metrics.TaskBarHeight()}, kTaskBarColor);
}

// --- Window state ----------------------------------------------------------

void WindowSystem::Activate(Window* window) {
    if (active == window) return;
    if (active && IsWindow(active)) SendMessage(active, WM_ACTIVATE, WA_INACTIVE, 0);
    active = window;
    SendMessage(window, WM_ACTIVATE, WA_ACTIVE, 0);
    SetFocus(window);
}

void WindowSystem::ShowWindow(Window* window, bool show) {
    if (!IsWindow(window) || window->visible == show) return;
    window->visible = show;
    if (window->kind == Window::Kind::MenuBar) {
        ChromeChanged();
        return;
    }
    if (window->kind == Window::Kind::Child) {
        // A control never takes the activation from its application.
        if (show)
            InvalidateRect(window, nullptr, true);
        else
            Uncover(window, window->rect);
        return;
    }
    if (show) {
        InvalidateRect(window, nullptr, true);
        for (Window* child : Children(window)) InvalidateRect(child, nullptr, true);
        if (!window->everActivated) {
            window->everActivated = true;
            Activate(window);
        }
    } else {
        FillScreen(window->rect, kDesktopColor);
        DrawTaskBar();
        ScreenChanged(window->rect);
    }
}

bool WindowSystem::SetForegroundWindow(Window* window) {
    if (!IsWindow(window)) return false;
    Activate(window);
    Raised(window);
    return true;
}

void WindowSystem::MoveWindow(Window* window, const WinRect& rect, bool repaint) {
    if (!IsWindow(window)) return;
    const bool child = window->kind == Window::Kind::Child;
    WinRect old = window->rect;
    WinRect target = rect;
    if (child) {
        const WinRect& p = window->owner->rect;
        target = {rect.left + p.left, rect.top + p.top, rect.right + p.left, rect.bottom + p.top};
    }
    window->rect = target;
    // Children move along before the window hears of its new place, so that
    // its handlers may place them anew.
    ShiftChildren(window, target.left - old.left, target.top - old.top);
    if (old.left != target.left || old.top != target.top)
        SendMessage(window, WM_MOVE, 0, MakeLParam(rect.left, rect.top));
    if (old.Width() != target.Width() || old.Height() != target.Height())
        SendMessage(window, WM_SIZE, 0, MakeLParam(rect.Width(), rect.Height()));
    if (!repaint || !window->visible) return;
    if (child) {
        Uncover(window, old);
    } else {
        FillScreen(old, kDesktopColor);
        DrawTaskBar();
        ScreenChanged(old);
        for (Window* c : Children(window)) InvalidateRect(c, nullptr, true);
    }
    InvalidateRect(window, nullptr, true);
}

void WindowSystem::DeviceFocus(bool gained) {
    if (gained) {
        if (Window* w = active ? active : MainWindow()) {
            if (!IsWindow(w)) return;
            active = nullptr;
            Activate(w);
        }
        return;
    }
    if (active && IsWindow(active)) SendMessage(active, WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(nullptr);
}

Window* WindowSystem::MainWindow() const {
    for (auto& w : windows)
        if (!w->destroyed && w->kind == Window::Kind::Application) return w.get();
    return nullptr;
}

void WindowSystem::SetFocus(Window* window) {
    if (focus == window) return;
    Window* old = focus;
    focus = window;
    if (old && IsWindow(old)) SendMessage(old, WM_KILLFOCUS, 0, 0);
    if (window && IsWindow(window)) SendMessage(window, WM_SETFOCUS, 0, 0);
}

// --- Shell -------------------------------------------------------------------

WinRect WindowSystem::WorkArea() const { return {0, metrics.TaskBarHeight(), metrics.width, metrics.height}; }

bool WindowSystem::ShellFullScreen(Window* window, std::uint32_t flags) {
    if (!IsWindow(window)) return false;
    if (flags & SHFS_HIDETASKBAR) taskBarVisible = false;
    if (flags & SHFS_SHOWTASKBAR) {
        taskBarVisible = true;
        DrawTaskBar();
        ScreenChanged({0, 0, metrics.width, metrics.TaskBarHeight()});
    }
    return true;
}

Window* WindowSystem::CreateMenuBar(Window* owner, int leftCommand, int rightCommand) {
    if (!IsWindow(owner)) return nullptr;
    Window* bar = NewWindow(Window::Kind::MenuBar);
    bar->owner = owner;
    bar->className = u"menu_worker";
    // Under the device screen: the emulated hardware soft keys and their labels.
    bar->rect = {0, metrics.height, metrics.width, metrics.height + metrics.MenuBarHeight()};
    bar->visible = true;
    bar->softKeys[0].command = leftCommand;
    bar->softKeys[1].command = rightCommand;
    ChromeChanged();
    return bar;
}

void WindowSystem::SetSoftKey(Window* menuBar, int index, const std::u16string& label, bool enabled) {
    if (!IsWindow(menuBar) || menuBar->kind != Window::Kind::MenuBar) return;
    menuBar->softKeys[index & 1].label = label;
    menuBar->softKeys[index & 1].enabled = enabled;
    ChromeChanged();
}

void WindowSystem::SetSoftKeyEnabled(Window* menuBar, int index, bool enabled) {
    if (!IsWindow(menuBar) || menuBar->kind != Window::Kind::MenuBar) return;
    menuBar->softKeys[index & 1].enabled = enabled;
    ChromeChanged();
}

Window* WindowSystem::MenuBarOf(const Window* owner) const {
    for (auto& w : windows)
        if (!w->destroyed && w->kind == Window::Kind::MenuBar && (!owner || w->owner == owner)) return w.get();
    return nullptr;
}

bool WindowSystem::PressSoftKey(int index) {
    Window* bar = active ? MenuBarOf(active) : nullptr;
    if (!bar) bar = MenuBarOf(nullptr);
    if (!bar || !bar->visible) return false;
    const auto& key = bar->softKeys[index & 1];
    if (!key.enabled) return false;
    return PostMessage(bar->owner, WM_COMMAND, MakeWParam(key.command, 0), 0);
}

void WindowSystem::SetInputPanel(bool on) {
    if (inputPanelVisible == on) return;
    inputPanelVisible = on;
    ChromeChanged();
}

WinRect WindowSystem::InputPanelRect() const {
    const int h = metrics.InputPanelHeight();
    return {0, metrics.height - h, metrics.width, metrics.height};
}

int WindowSystem::MessageBox(Window*, const std::u16string& text, const std::u16string& caption, std::uint32_t flags) {
    return ShowMessageBox(text, caption, flags);
}

// --- Input -------------------------------------------------------------------

Window* WindowSystem::StylusTarget(int x, int y) const {
    if (capture && IsWindow(capture)) return capture;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        Window* w = it->get();
        if (w->destroyed || w->kind == Window::Kind::MenuBar) continue;
        if (VisibleRect(w).Contains(x, y)) return w;
    }
    return nullptr;
}

LPARAM WindowSystem::ClientPoint(Window* window, int x, int y) const {
    return MakeLParam(x - window->rect.left, y - window->rect.top);
}

void WindowSystem::StylusDown(int x, int y, bool doubleTap) {
    // The soft-key strip under the screen: a click on a label is its command.
    if (y >= metrics.height && y < metrics.height + metrics.MenuBarHeight()) {
        PressSoftKey(x < metrics.width / 2 ? 0 : 1);
        return;
    }
    stylusWindow = StylusTarget(x, y);
    if (stylusWindow) PostMessage(stylusWindow, doubleTap ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, 1, ClientPoint(stylusWindow, x, y));
}

void WindowSystem::StylusMove(int x, int y) {
    Window* w = capture && IsWindow(capture) ? capture : stylusWindow;
    if (w && IsWindow(w)) PostMessage(w, WM_MOUSEMOVE, 1, ClientPoint(w, x, y));
}

void WindowSystem::StylusUp(int x, int y) {
    Window* w = capture && IsWindow(capture) ? capture : stylusWindow;
    stylusWindow = nullptr;
    if (w && IsWindow(w)) PostMessage(w, WM_LBUTTONUP, 0, ClientPoint(w, x, y));
}

void WindowSystem::KeyDown(std::uint32_t virtualKey) {
    // F1 and F2 are the hardware soft keys: with a menu bar they act as its
    // labels do (and a disabled key does nothing); without one they are keys.
    if ((virtualKey == VK_F1 || virtualKey == VK_F2) && MenuBarOf(nullptr)) {
        PressSoftKey(virtualKey == VK_F1 ? 0 : 1);
        return;
    }
    if (focus && IsWindow(focus)) PostMessage(focus, WM_KEYDOWN, virtualKey, 1);
}

void WindowSystem::KeyUp(std::uint32_t virtualKey) {
    if (virtualKey == VK_F1 || virtualKey == VK_F2) return;
    if (focus && IsWindow(focus)) PostMessage(focus, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

void WindowSystem::TypeText(const std::u16string& text) {
    if (!focus || !IsWindow(focus)) return;
    for (char16_t c : text) PostMessage(focus, WM_CHAR, c, 1);
}

}  // namespace platform
