#pragma once
#include <memory>
#include <mutex>
#include <string>

#include "platform/window/Messages.h"
#include "platform/window/Window.h"
#include "platform/window/WindowSystem.h"
#include "ui/app/MenuBar.h"

namespace platform {
class SingleInstance;
}

// Owns the one top-level window: the single-instance check, its class and
// creation, the message loop, full-screen handling and the menu bar. Every
// window message is handled under the UI lock and turned into a call of one
// of the virtual hooks below, which subclasses override.
class BaseApplication {
public:
    BaseApplication();
    virtual ~BaseApplication();
    BaseApplication(const BaseApplication&) = delete;
    BaseApplication& operator=(const BaseApplication&) = delete;

    // --- Hooks, in the order subclasses override them -------------------------
    virtual bool PreInit() { return true; }
    virtual void OnSize(int /*width*/, int /*height*/) {}
    virtual void OnMove(int /*x*/, int /*y*/) {}
    virtual void OnCreate(const platform::CreateStruct& /*create*/) {}
    virtual void OnDestroy() {}
    virtual void OnInitialized() {}
    virtual void OnClose() {}
    virtual void OnCommand(int /*notification*/, int /*id*/, platform::LPARAM /*control*/) {}
    virtual void OnNotify(const platform::NotifyHeader& /*header*/) {}
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}
    virtual void OnPaint(const platform::PaintStruct& /*paint*/) {}
    virtual void OnStylusDown(int /*x*/, int /*y*/) {}
    virtual void OnStylusUp(int /*x*/, int /*y*/) {}
    virtual void OnStylusMove(int /*x*/, int /*y*/) {}
    virtual void OnDoubleTap(int /*x*/, int /*y*/) {}
    virtual void OnKeyDown(int /*virtualKey*/) {}
    virtual void OnChar(char16_t /*character*/) {}
    virtual void OnTimer(std::uintptr_t /*id*/) {}
    virtual bool OnEraseBackground() { return true; }
    // Another instance already runs: `running` is its window. Whatever is
    // sent there reaches that instance's window procedure.
    virtual void OnAlreadyRunning(platform::WindowRef& /*running*/) {}
    virtual platform::LRESULT WindowProc(platform::Window* window, std::uint32_t message, platform::WPARAM wParam,
                                         platform::LPARAM lParam);

    // --- Life ---------------------------------------------------------------
    // False when start-up failed or another instance runs (AlreadyRunning()).
    bool Init(const std::u16string& windowName, void* instance = nullptr, platform::Window* parent = nullptr);
    int Run();
    // Posts the destroy message to the window; the loop then ends.
    void Quit();
    bool AlreadyRunning() const { return alreadyRunning; }

    // --- Queries --------------------------------------------------------------
    platform::Window* GetWindow() const { return window; }
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    const std::u16string& GetAppFolder() const { return appFolder; }
    const std::u16string& GetWindowName() const { return windowName; }
    MenuBar& GetMenuBar() { return menuBar; }
    std::uint32_t GetUserEventMessage() const { return userEventMessage; }
    bool IsSmartphone() const;
    bool IsActive() const { return active; }
    bool IsFullScreen() const { return fullScreen; }
    std::recursive_mutex& UILock() { return uiLock; }

    void SetFullScreen(bool on);
    // A message box captioned "Error" with the text (at most 100 characters).
    void ShowError(const std::string& text);
    // The soft-key bar with this window's soft-key commands.
    bool CreateMenuBar();

    // The device path of the running program; the application folder is its
    // folder. Programs set their own before Init; by default it is the
    // executable's device path when it lies on the device, else a folder of
    // its name under "\Program Files".
    static void SetModuleFileName(const std::u16string& devicePath);
    static std::u16string ModuleFileName();

    static constexpr int kClassStyle = platform::CS_VREDRAW | platform::CS_HREDRAW;
    static constexpr std::uint32_t kWindowStyle = platform::WS_VISIBLE | platform::WS_CLIPSIBLINGS;  // 335544320

protected:
    void SetActive(bool value);
    bool InitWindow(const std::u16string& windowName, void* instance, platform::Window* parent);

    MenuBar menuBar;
    platform::Window* window = nullptr;
    int rightSoftKeyCommand = 0x71;
    int leftSoftKeyCommand = 0x70;
    std::uint32_t userEventMessage = 0;
    void* instance = nullptr;
    platform::Window* parentWindow = nullptr;
    int height = 0, width = 0;
    std::u16string windowName, className, appFolder;
    bool active = false, fullScreen = false;
    std::recursive_mutex uiLock;

private:
    static platform::LRESULT StaticWindowProc(platform::Window* window, std::uint32_t message, platform::WPARAM wParam,
                                              platform::LPARAM lParam);
    platform::LRESULT Route(std::uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam);
    bool ClaimInstance(const std::u16string& windowName);
    void FailStartUp(const std::u16string& text);

    std::unique_ptr<platform::SingleInstance> singleInstance;
    bool alreadyRunning = false;
};
