#include "ui/app/BaseApplication.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/instance/SingleInstance.h"

using namespace platform;

namespace {

std::u16string& ModulePathSlot() {
    static std::u16string path;
    return path;
}

WindowSystem& WS() { return WindowSystem::Current(); }

// Private messages of the platform's shell to the foreground application.
enum : std::uint32_t {
    kShellQuery = 0x4F2,
    kShellResize = 0x4F3,
    kShellActivate = 0x4F4,
    kShellDeactivate = 0x4F5,
    kShellKey = 0x4F6,
    kShellEnter = 0x4F7,
};

constexpr std::uint32_t kNotifyAnsweredOne = 0x465;

}  // namespace

BaseApplication::BaseApplication() {
    userEventMessage = WindowSystem::RegisterWindowMessage(u"Veltra_User_Event");
    if (WindowSystem::Installed()) std::srand(WS().TickCount());
}

BaseApplication::~BaseApplication() {
    if (singleInstance) singleInstance->StopServing();
    // The window may outlive the loop (Quit only posts the destroy message):
    // it must not call into this object any more.
    if (window && WindowSystem::Installed() && WS().IsWindow(window)) window->SetUserData(nullptr);
    menuBar.Destroy();
    if (window && WindowSystem::Installed() && WS().IsWindow(window)) WS().DestroyWindow(window);
    singleInstance.reset();
}

void BaseApplication::SetModuleFileName(const std::u16string& devicePath) { ModulePathSlot() = devicePath; }

std::u16string BaseApplication::ModuleFileName() {
    if (!ModulePathSlot().empty()) return ModulePathSlot();
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && HasCurrentDevice())
        if (auto device = CurrentDevice().DevicePath(exe)) return *device;
    std::string stem = ec ? std::string("program") : exe.stem().string();
    return u"\\Program Files\\" + U16(stem) + u"\\" + U16(stem) + u".exe";
}

bool BaseApplication::IsSmartphone() const {
    if (!WindowSystem::Installed()) return false;
    return ::text::EqualsIgnoreCase(WS().PlatformType(), "Smartphone");
}

// --- Start-up ----------------------------------------------------------------

bool BaseApplication::ClaimInstance(const std::u16string& name) {
    if (!HasCurrentDevice()) return true;
    std::string error;
    singleInstance = SingleInstance::Claim(CurrentDevice().Root(), name, &error);
    // A device root we cannot claim in (read-only, say) still runs the program.
    if (!singleInstance || singleInstance->IsOwner()) return true;
    alreadyRunning = true;
    WindowRef* running = singleInstance->Running();
    OnAlreadyRunning(*running);
    running->Activate();
    return false;
}

bool BaseApplication::Init(const std::u16string& name, void* moduleInstance, Window* parent) {
    try {
        return InitWindow(name, moduleInstance, parent);
    } catch (const std::exception& e) {
        ShowError(e.what());
    } catch (...) {
        FailStartUp(u"SEH exception");
        return false;
    }
    if (window) WS().PostMessage(window, WM_DESTROY, 0, 0);
    return false;
}

void BaseApplication::FailStartUp(const std::u16string& text) {
    WS().MessageBox(window, text, u"Error", MB_OK | MB_ICONERROR);
    if (window) WS().PostMessage(window, WM_DESTROY, 0, 0);
}

bool BaseApplication::InitWindow(const std::u16string& name, void* moduleInstance, Window* parent) {
    if (!ClaimInstance(name)) return false;
    windowName = name;
    className = name;
    instance = moduleInstance;
    const std::u16string module = ModuleFileName();
    appFolder = module.substr(0, module.find_last_of(u'\\') + 1);
    parentWindow = parent;
    if (!PreInit()) return false;

    if (!WS().RegisterClass({className, kClassStyle, &StaticWindowProc})) return false;
    WinRect rect = parent ? parent->Rect() : WinRect{};
    if (!WS().CreateWindow(className, windowName, kWindowStyle, rect, this)) return false;
    if (singleInstance) singleInstance->Serve(window);

    if (!IsSmartphone() && menuBar.Exists()) {
        WinRect r = window->Rect();
        const int barTop = menuBar.GetWindow()->Rect().top;
        if (r.bottom > barTop) WS().MoveWindow(window, {r.left, r.top, r.right, barTop}, false);
    }
    OnInitialized();
    WS().ShowWindow(window, true);
    WS().UpdateWindow(window);
    WS().SetFocus(window);
    return true;
}

int BaseApplication::Run() {
    Message m;
    while (WS().GetMessage(m)) {
        WS().TranslateMessage(m);
        WS().DispatchMessage(m);
    }
    return static_cast<int>(m.wParam);
}

void BaseApplication::Quit() {
    if (window) WS().PostMessage(window, WM_DESTROY, 0, 0);
}

bool BaseApplication::CreateMenuBar() { return menuBar.Create(window, leftSoftKeyCommand, rightSoftKeyCommand); }

// --- Window procedure --------------------------------------------------------

LRESULT BaseApplication::StaticWindowProc(Window* w, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CreateStruct*>(lParam);
        auto* app = static_cast<BaseApplication*>(create->createParams);
        app->window = w;
        w->SetUserData(app);
    }
    auto* app = static_cast<BaseApplication*>(w->UserData());
    if (!app) return WS().DefWindowProc(w, message, wParam, lParam);
    return app->WindowProc(w, message, wParam, lParam);
}

LRESULT BaseApplication::WindowProc(Window* w, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard lock(uiLock);
    LRESULT handled = Route(message, wParam, lParam);
    if (handled != -2) return handled;
    return WS().DefWindowProc(w, message, wParam, lParam);
}

// Answers -2 for "not handled here: default processing".
LRESULT BaseApplication::Route(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        WS().ShellFullScreen(window, SHFS_HIDESIPBUTTON);
        const auto& create = *reinterpret_cast<CreateStruct*>(lParam);
        OnCreate(create);
        width = create.width;
        height = create.height;
        return 0;
    }
    case WM_DESTROY:
        OnClose();
        OnDestroy();
        if (singleInstance) singleInstance->StopServing();
        WS().PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        OnMove(SignedLow(lParam), SignedHigh(lParam));
        return 0;
    case WM_SIZE: {
        WS().ShellFullScreen(window, SHFS_HIDESIPBUTTON);
        width = Low(static_cast<std::uintptr_t>(lParam));
        height = High(static_cast<std::uintptr_t>(lParam));
        const int screenWidth = WS().ScreenWidth();
        if (width < screenWidth) width -= screenWidth < 410 ? 1 : 2;
        OnSize(width, height);
        return 0;
    }
    case WM_ACTIVATE:
        WS().ShellFullScreen(window, SHFS_HIDESIPBUTTON);
        if (Low(wParam) != WA_INACTIVE && High(wParam) == 0 && fullScreen) SetFullScreen(true);
        return 0;
    case WM_SETFOCUS:
        SetActive(true);
        return 0;
    case WM_KILLFOCUS:
        SetActive(false);
        return 0;
    case WM_PAINT: {
        PaintStruct ps = WS().BeginPaint(window);
        OnPaint(ps);
        WS().EndPaint(window, ps);
        return 0;
    }
    case WM_ERASEBKGND:
        OnEraseBackground();
        return -2;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NotifyHeader*>(lParam);
        if (!header) return 0;
        OnNotify(*header);
        return header->code == kNotifyAnsweredOne ? 1 : 0;
    }
    case WM_KEYDOWN:
        OnKeyDown(static_cast<int>(wParam));
        return 0;
    case WM_CHAR:
        OnChar(static_cast<char16_t>(wParam));
        return 0;
    case WM_COMMAND: {
        const int id = Low(wParam);
        if (id == leftSoftKeyCommand)
            OnKeyDown(VK_F1);
        else if (id == rightSoftKeyCommand)
            OnKeyDown(VK_F2);
        else
            OnCommand(High(wParam), id, lParam);
        return 0;
    }
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_MOUSEMOVE:
        OnStylusMove(SignedLow(lParam), SignedHigh(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        WS().SetFocus(window);
        OnStylusDown(SignedLow(lParam), SignedHigh(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnStylusUp(SignedLow(lParam), SignedHigh(lParam));
        return 0;
    case WM_LBUTTONDBLCLK:
        OnDoubleTap(SignedLow(lParam), SignedHigh(lParam));
        return 0;
    case kShellQuery:
    case kShellResize:  // sent by a shell component this device does not have
        return 0;
    case kShellActivate:
        SetActive(true);
        return 0;
    case kShellDeactivate:
        SetActive(false);
        return 0;
    case kShellKey:
        if (wParam == VK_UP || wParam == VK_DOWN) return 0;
        OnKeyDown(static_cast<int>(wParam));
        return 0;
    case kShellEnter:
        OnKeyDown(VK_RETURN);
        return 0;
    default:
        return -2;
    }
}

void BaseApplication::SetActive(bool value) {
    if (active == value) return;
    active = value;
    if (value)
        OnActivate();
    else
        OnDeactivate();
}

// --- Full screen and errors ----------------------------------------------------

void BaseApplication::SetFullScreen(bool on) {
    if (!window) return;
    auto& ws = WS();
    if (on) {
        ws.ShellFullScreen(window, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON);
        const WinRect screen{0, 0, ws.ScreenWidth(), ws.ScreenHeight()};
        if (window->Rect() != screen) ws.MoveWindow(window, screen, true);
        fullScreen = true;
        return;
    }
    // The window then ends where the menu bar begins.
    int barTop = ws.ScreenHeight();
    if (menuBar.Exists()) {
        ws.ShowWindow(menuBar.GetWindow(), true);
        barTop = menuBar.GetWindow()->Rect().top;
    }
    ws.ShellFullScreen(window, SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON);
    WinRect work = ws.WorkArea();
    work.bottom = std::min(work.bottom, barTop);
    ws.MoveWindow(window, work, true);
    fullScreen = false;
}

void BaseApplication::ShowError(const std::string& message) {
    std::u16string text = U16(message);
    if (text.size() > 100) text.resize(100);
    WS().MessageBox(window, text, u"Error", MB_OK | MB_ICONERROR);
}
