#pragma once
#include <cstdint>

// The window system's message numbers, virtual-key codes and parameter
// packing. The numbers are the handheld platform's own: the application and
// other programs (the single-instance hand-over) exchange them, so they must
// not drift.
namespace platform {

class Window;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

enum : std::uint32_t {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_ERASEBKGND = 0x0014,
    WM_SETTINGCHANGE = 0x001A,
    WM_NOTIFY = 0x004E,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_COMMAND = 0x0111,
    WM_TIMER = 0x0113,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_USER = 0x0400,
};

// WM_ACTIVATE's low word.
enum : std::uint32_t { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

// Virtual keys the emulated keypad produces.
enum : std::uint32_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_DELETE = 0x2E,
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F3 = 0x72,
    VK_F4 = 0x73,
};

// Message box flags and answers.
enum : std::uint32_t {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_TYPEMASK = 0xF,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_DEFMASK = 0xF00,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// Full-screen control flags of the shell.
enum : std::uint32_t {
    SHFS_SHOWTASKBAR = 0x01,
    SHFS_HIDETASKBAR = 0x02,
    SHFS_SHOWSIPBUTTON = 0x04,
    SHFS_HIDESIPBUTTON = 0x08,
    SHFS_SHOWSTARTICON = 0x10,
    SHFS_HIDESTARTICON = 0x20,
};

// Class style bits.
enum : std::uint32_t { CS_VREDRAW = 0x1, CS_HREDRAW = 0x2, CS_DBLCLKS = 0x8 };
// Window style bits: the application window is visible and clip-siblings; a
// child window (a control inside the application window) carries WS_CHILD.
enum : std::uint32_t {
    WS_CHILD = 0x40000000,
    WS_VISIBLE = 0x10000000,
    WS_CLIPSIBLINGS = 0x04000000,
    WS_BORDER = 0x00800000,
};

struct Message {
    Window* window = nullptr;
    std::uint32_t message = WM_NULL;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// What WM_NOTIFY's lParam points to.
struct NotifyHeader {
    Window* from = nullptr;
    std::uintptr_t id = 0;
    std::uint32_t code = 0;
};

// Left, top, right, bottom, as the platform's rectangle record.
struct WinRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && y >= top && x < right && y < bottom; }
    bool operator==(const WinRect&) const = default;
};

WinRect UnionRect(const WinRect& a, const WinRect& b);
WinRect IntersectRect(const WinRect& a, const WinRect& b);

// Two 16-bit halves: x (or width) low, y (or height) high.
constexpr LPARAM MakeLParam(int low, int high) {
    return static_cast<LPARAM>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(low)) |
                               (static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16));
}
constexpr WPARAM MakeWParam(int low, int high) { return static_cast<WPARAM>(static_cast<std::uint32_t>(MakeLParam(low, high))); }
// Stylus coordinates are signed: a capture may report points left of or above
// the window.
constexpr int SignedLow(LPARAM v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF)); }
constexpr int SignedHigh(LPARAM v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>((v >> 16) & 0xFFFF)); }
constexpr int Low(std::uintptr_t v) { return static_cast<int>(v & 0xFFFF); }
constexpr int High(std::uintptr_t v) { return static_cast<int>((v >> 16) & 0xFFFF); }

}  // namespace platform
