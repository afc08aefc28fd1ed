#include "ui/app/Application.h"

#include "ui/ITextInput.h"
#include "ui/WMSurface.h"
#include "ui/app/InputManager.h"

using namespace platform;

Application::~Application() {
    // The tree goes before the window and the rest of the application.
    server.Keys().SetScope(shared_ptr<GObject>());
    server.SetFocus(shared_ptr<GObject>());
    touch = Touch();
    server.SetRoot(shared_ptr<GObject>());
    server.StopTimer();
}

void Application::OnSize(int w, int h) {
    server.SetWindow(window);
    server.SetScreenSize(w, h);
}

void Application::OnInitialized() {
    // Without a touch screen every page starts with a highlight; Enter taps
    // through the same path as the stylus.
    server.Keys().SetKeysOnly(WindowSystem::Installed() && !WindowSystem::Current().Metrics().touch);
    server.Keys().SetTapper([this](Point p) {
        Stylus(Touch::Down, p.x, p.y);
        Stylus(Touch::Up, p.x, p.y);
    });
    server.SetWindow(window);
    server.SetScreenSize(width, height);
    OnCreateUi();
}

void Application::OnClose() { server.OnApplicationClose(); }

void Application::OnActivate() {
    if (fullScreen) server.Resume();
}

void Application::OnDeactivate() {
    if (fullScreen) server.Suspend();
}

void Application::OnPaint(const PaintStruct& paint) {
    const WinRect& r = paint.paint;
    server.Invalidate(Rect(r.left, r.top, r.Width(), r.Height()));
    server.Tick(false, true);
}

// The server keeps the background surface; frames never use it.
bool Application::OnEraseBackground() {
    shared_ptr<Surface> background(new WMSurface());
    if (background->Create(width, height, false))
        background->FillColor(Rect(0, 0, width, height), 0, 0, 0, 255);
    server.SetBackground(background);
    return true;
}

void Application::Stylus(int type, int x, int y) {
    touch.Refill(type, x, y, WindowSystem::Current().TickCount());
    if (shared_ptr<GObject> root = server.GetRoot()) DispatchTouch(*root, touch);
}

void Application::OnStylusDown(int x, int y) {
    WindowSystem::Current().SetCapture(window);
    server.Keys().OnStylus();
    Stylus(Touch::Down, x, y);
}

void Application::OnStylusUp(int x, int y) {
    WindowSystem::Current().ReleaseCapture();
    Stylus(Touch::Up, x, y);
}

void Application::OnStylusMove(int x, int y) { Stylus(Touch::Move, x, y); }

void Application::OnDoubleTap(int x, int y) {
    server.Keys().OnStylus();
    Stylus(Touch::DoubleTap, x, y);
}

int Application::KeyCodeOf(int virtualKey) {
    switch (virtualKey) {
    case VK_RETURN: return Key::Enter;
    case VK_LEFT: return Key::Left;
    case VK_UP: return Key::Up;
    case VK_RIGHT: return Key::Right;
    case VK_DOWN: return Key::Down;
    case VK_DELETE: return Key::Delete;
    case VK_F1: return Key::LeftSoft;
    case VK_F2: return Key::RightSoft;
    case VK_F3: return Key::F3;
    case VK_F4: return Key::F4;
    default: return -1;
    }
}

void Application::OnKeyDown(int virtualKey) {
    const int code = KeyCodeOf(virtualKey);
    if (code < 0) return;
    if (code == Key::LeftSoft || code == Key::RightSoft) {
        // A soft key acts on the screen, not on the text box being edited.
        server.SetFocus(shared_ptr<GObject>());
    }
    Key key;
    key.code = code;
    // A text box keeps the arrows and Enter it uses itself; the rest move the
    // key highlight, and what that leaves goes down the tree as before.
    const auto* input = dynamic_cast<const ITextInput*>(server.GetFocus().get());
    if (!(input && input->KeepsKey(key)) && server.Keys().OnKey(key)) return;
    server.DispatchKey(key);
}

void Application::OnChar(char16_t character) {
    // The keypad types into the text box under the highlight even after it
    // gave the focus up (its own Enter, a popup box).
    const shared_ptr<GObject>& highlight = server.Keys().Highlight();
    if (!server.GetFocus() && dynamic_cast<const ITextInput*>(highlight.get())) highlight->SetFocused(true);
    Key key;
    key.code = Key::Character;
    key.character = character;
    server.DispatchKey(key);
}

void Application::OnTimer(std::uintptr_t id) {
    if (id == WindowsMobileUIServer::kFrameTimer) server.OnFrameTimer();
}

// Every message is handled under the UI lock.
LRESULT Application::WindowProc(Window* w, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard lock(uiLock);
    return BaseApplication::WindowProc(w, message, wParam, lParam);
}
