#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/LoopClock.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"

namespace platform {

// Screen geometry of the emulated handheld, taken from its description.
struct ScreenMetrics {
    int width = 480, height = 640;
    int dpi = 192;
    std::string platformType = "PocketPC";
    // A Smartphone has none: the screen only shows, the keys do everything.
    bool touch = true;
    int TaskBarHeight() const { return 26 * dpi / 96; }
    int MenuBarHeight() const { return 26 * dpi / 96; }
    int InputPanelHeight() const { return 80 * dpi / 96; }
};

struct PaintStruct {
    WinRect paint;
    bool erase = false;
};

// The window system of the emulated handheld: one process-wide instance,
// chosen at start-up (SDL window or headless). It owns the windows, the UI
// thread's message queue with its timers, the device screen as a 16-bit
// RGB 5-6-5 frame buffer, the soft-key menu bar, the input panel and message
// boxes. The UI thread is the one that installed it; every call documented
// as "any thread" may come from workers.
class WindowSystem {
public:
    explicit WindowSystem(ScreenMetrics metrics);
    virtual ~WindowSystem();

    static void Install(std::unique_ptr<WindowSystem> system);
    static bool Installed();
    static WindowSystem& Current();  // std::logic_error when none is installed
    static void Uninstall();

    virtual const char* Name() const = 0;
    // A process-wide message number for a name (0xC000 and up), the same for
    // every caller asking with that name.
    static std::uint32_t RegisterWindowMessage(const std::u16string& name);
    const ScreenMetrics& Metrics() const { return metrics; }

    // --- Windows -----------------------------------------------------------
    bool RegisterClass(const WindowClass& windowClass);
    // Sends WM_CREATE (lParam: a CreateStruct*), then WM_SIZE and WM_MOVE,
    // before returning; a create handler answering -1 fails the creation. A zero-sized rectangle asks
    // for the default: the work area. With WS_CHILD and a parent the window
    // is a control inside the parent and `rect` is in the parent's client
    // coordinates.
    Window* CreateWindow(const std::u16string& className, const std::u16string& title, std::uint32_t style,
                         const WinRect& rect, void* createParams, Window* parent = nullptr);
    // Sends WM_DESTROY, then forgets the window's timers and paint.
    void DestroyWindow(Window* window);
    // A window of this process whose class is `className` and that still lives.
    Window* FindWindow(const std::u16string& className) const;
    bool IsWindow(const Window* window) const;
    // The live child windows of `parent`, in creation order.
    std::vector<Window*> Children(const Window* parent) const;
    void SetWindowText(Window* window, const std::u16string& text);

    // --- Messages ----------------------------------------------------------
    bool GetMessage(Message& out);  // false on WM_QUIT (out.wParam: exit code)
    // Turns key presses into the characters they type (backspace, enter, tab,
    // escape); printable characters arrive as text input instead.
    void TranslateMessage(const Message& message);
    LRESULT DispatchMessage(const Message& message);
    bool PostMessage(Window* window, std::uint32_t message, WPARAM wParam, LPARAM lParam);  // any thread
    LRESULT SendMessage(Window* window, std::uint32_t message, WPARAM wParam, LPARAM lParam);  // any thread
    void PostQuitMessage(int exitCode);
    // Runs `call` on the UI thread between messages and returns its answer.
    // A caller on another thread that may outlive the loop passes `cancel`:
    // once it is set the wait ends with 0.
    LRESULT RunOnUIThread(std::function<LRESULT()> call, const std::atomic<bool>* cancel = nullptr);
    // Handles messages other threads sent, now (used while shutting down so
    // that no sender waits for a loop that has ended).
    void ProcessSentMessages() { DeliverSent(); }
    LRESULT DefWindowProc(Window* window, std::uint32_t message, WPARAM wParam, LPARAM lParam);
    bool OnUIThread() const { return std::this_thread::get_id() == uiThread; }

    // --- Timers and time (any thread) ---------------------------------------
    bool SetTimer(Window* window, std::uintptr_t id, unsigned periodMs);
    bool KillTimer(Window* window, std::uintptr_t id);
    bool HasTimer(Window* window, std::uintptr_t id) const;
    std::uint32_t TickCount() const { return static_cast<std::uint32_t>(clock.Now()); }
    LoopClock& Clock() { return clock; }

    // --- Painting ----------------------------------------------------------
    // Null rect: the whole client area. Any thread.
    void InvalidateRect(Window* window, const WinRect* rect, bool erase);
    // Sends WM_ERASEBKGND when the area was invalidated with erase, then
    // hands out and validates the invalid area.
    PaintStruct BeginPaint(Window* window);
    void EndPaint(Window* window, const PaintStruct& paint);
    void UpdateWindow(Window* window);  // paints now if anything is invalid
    // Copies `rect` (client coordinates) of a 16-bit frame of `stride` pixels
    // per row onto the window at the same position.
    void Present(Window* window, const std::uint16_t* pixels, int stride, const WinRect& rect);
    // The device screen as the user sees it.
    const std::vector<std::uint16_t>& Screen() const { return screen; }
    std::uint64_t FramesPresented() const { return framesPresented; }

    // --- Window state ------------------------------------------------------
    void ShowWindow(Window* window, bool show);  // a first show activates the window
    bool SetForegroundWindow(Window* window);
    // Sends WM_MOVE / WM_SIZE; a child's rectangle is in its parent's client
    // coordinates.
    void MoveWindow(Window* window, const WinRect& rect, bool repaint);
    void SetFocus(Window* window);
    Window* GetFocus() const { return focus; }
    void SetCapture(Window* window) { capture = window; }
    void ReleaseCapture() { capture = nullptr; }
    Window* GetCapture() const { return capture; }

    // --- Shell ---------------------------------------------------------------
    // System metrics and parameters.
    int ScreenWidth() const { return metrics.width; }
    int ScreenHeight() const { return metrics.height; }
    WinRect WorkArea() const;
    const std::string& PlatformType() const { return metrics.platformType; }
    // Full-screen control: task bar, start icon and input-panel button.
    bool ShellFullScreen(Window* window, std::uint32_t flags);
    bool TaskBarVisible() const { return taskBarVisible; }

    // The soft-key menu bar, drawn under the device screen. Its two keys
    // send WM_COMMAND with their command ids to the owner.
    Window* CreateMenuBar(Window* owner, int leftCommand, int rightCommand);
    void SetSoftKey(Window* menuBar, int index, const std::u16string& label, bool enabled);
    void SetSoftKeyEnabled(Window* menuBar, int index, bool enabled);
    Window* MenuBarOf(const Window* owner) const;
    // A soft key pressed (label clicked or F1/F2): posts its command when the
    // key is enabled.
    bool PressSoftKey(int index);

    // The soft input panel: on or off, and where it covers the screen.
    void SetInputPanel(bool on);
    bool InputPanelVisible() const { return inputPanelVisible; }
    WinRect InputPanelRect() const;

    // Blocks the UI thread until answered; headless answers IDOK at once.
    int MessageBox(Window* owner, const std::u16string& text, const std::u16string& caption, std::uint32_t flags);

    // --- Input from the backend ----------------------------------------------
    // Stylus events in screen coordinates and keys, as a backend (or a script)
    // produces them; they become posted messages to the right window.
    void StylusDown(int x, int y, bool doubleTap = false);
    void StylusMove(int x, int y);
    void StylusUp(int x, int y);
    void KeyDown(std::uint32_t virtualKey);
    void KeyUp(std::uint32_t virtualKey);
    void TypeText(const std::u16string& text);

protected:
    // Collects pending device events (SDL) into the queue.
    virtual void Pump() {}
    // Nothing is ready: sleep until work arrives or the next timer is due.
    virtual void WaitForWork(std::optional<std::uint64_t> nextTimerDue) = 0;
    // The screen (or the menu bar, or the panel) changed in `area` (screen
    // coordinates); an interactive backend shows it.
    virtual void ScreenChanged(const WinRect& /*area*/) {}
    virtual void ChromeChanged() {}
    virtual void Raised(Window* /*window*/) {}
    virtual int ShowMessageBox(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) = 0;

    // The backend's own window gained or lost the keyboard focus of the
    // desktop: the application window is activated or deactivated.
    void DeviceFocus(bool gained);
    // The window the backend closes when the user closes the device window.
    Window* MainWindow() const;

    MessageQueue& Queue() { return queue; }
    Window* StylusTarget(int x, int y) const;
    void DeliverSent();
    void FillScreen(const WinRect& area, std::uint16_t color);
    void DrawTaskBar();

private:
    Window* NewWindow(Window::Kind kind);
    void Activate(Window* window);
    // What shows of a window: its rectangle cut by its parents'.
    WinRect VisibleRect(const Window* window) const;
    // The parent repaints what a child window uncovered.
    void Uncover(const Window* child, const WinRect& screenArea);
    void ShiftChildren(const Window* parent, int dx, int dy);
    void CopyRow(const Window* window, const std::uint16_t* src, int y, int left, int right);
    LPARAM ClientPoint(Window* window, int x, int y) const;

    ScreenMetrics metrics;
    LoopClock clock;
    MessageQueue queue;
    std::thread::id uiThread;
    std::map<std::u16string, WindowClass> classes;
    std::vector<std::unique_ptr<Window>> windows;
    std::vector<std::uint16_t> screen;
    std::uint64_t framesPresented = 0;
    Window* focus = nullptr;
    Window* capture = nullptr;
    Window* active = nullptr;
    Window* stylusWindow = nullptr;
    bool taskBarVisible = true;
    bool inputPanelVisible = false;
};

}  // namespace platform
