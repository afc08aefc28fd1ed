#pragma once
#include <atomic>
#include <functional>
#include <string>

#include "platform/window/Messages.h"

namespace platform {

// Something messages can be sent to: a window of this process, or the window
// of an already running instance reached through the single-instance socket.
class WindowRef {
public:
    virtual ~WindowRef() = default;
    virtual LRESULT Send(std::uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool Post(std::uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
    // Show, repaint and bring to the foreground.
    virtual bool Activate() = 0;
};

using WindowProcedure = LRESULT (*)(Window* window, std::uint32_t message, WPARAM wParam, LPARAM lParam);

struct WindowClass {
    std::u16string name;
    std::uint32_t style = 0;
    WindowProcedure procedure = nullptr;
};

// What WM_CREATE's lParam points to.
struct CreateStruct {
    void* createParams = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
    std::uint32_t style = 0;
    std::u16string name;
    std::u16string className;
};

// A window of this process. Owned by the window system; the pointer stays
// valid until the window system goes, so a late message to a destroyed window
// is dropped instead of touching freed memory. A child window (a control)
// lies inside its parent: it moves with it, goes with it, and the parent's
// frames never paint over it while it shows.
class Window : public WindowRef {
public:
    enum class Kind { Application, MenuBar, Child };

    LRESULT Send(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;
    bool Post(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;
    bool Activate() override;

    const std::u16string& ClassName() const { return className; }
    // The window's text: an application window's title, a control's content
    // as it chooses to describe it.
    const std::u16string& Title() const { return title; }
    // Position and size on the device screen (a child's too).
    const WinRect& Rect() const { return rect; }
    WinRect ClientRect() const { return {0, 0, rect.Width(), rect.Height()}; }
    bool Visible() const { return visible; }
    bool Destroyed() const { return destroyed; }
    Kind GetKind() const { return kind; }
    void* UserData() const { return userData; }
    void SetUserData(void* data) { userData = data; }
    // The menu bar's owner, or a child window's parent.
    Window* Owner() const { return owner; }

    // A menu bar's two soft keys: the label drawn for each, whether it takes
    // clicks, and the command id its click sends to the owner window.
    struct SoftKey {
        std::u16string label;
        bool enabled = true;
        int command = 0;
    };
    const SoftKey& GetSoftKey(int index) const { return softKeys[index & 1]; }

private:
    friend class WindowSystem;
    Kind kind = Kind::Application;
    std::u16string className, title;
    WindowProcedure procedure = nullptr;
    std::uint32_t classStyle = 0;
    WinRect rect;
    bool visible = false;
    // Read by threads that post to the window while the UI thread may be
    // destroying it.
    std::atomic<bool> destroyed{false};
    bool everActivated = false;
    void* userData = nullptr;
    Window* owner = nullptr;
    SoftKey softKeys[2];
};

}  // namespace platform
