#include "platform/window/SdlWindowSystem.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/Text.h"
#include "platform/text/DeviceContext.h"

namespace platform {

namespace {

constexpr std::uint16_t kBarColor = 0x2124;
constexpr std::uint16_t kPanelColor = 0x39E7;
constexpr std::uint16_t kPanelKeyColor = 0xC618;

std::uint32_t VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<std::uint32_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<std::uint32_t>('0' + (key - SDLK_0));
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_F1: return VK_F1;
    case SDLK_F2: return VK_F2;
    case SDLK_F3: return VK_F3;
    case SDLK_F4: return VK_F4;
    default: return 0;
    }
}

void Fill(std::vector<std::uint16_t>& buf, int stride, const WinRect& r, std::uint16_t color) {
    for (int y = r.top; y < r.bottom; ++y)
        std::fill_n(&buf[static_cast<std::size_t>(y) * stride + r.left], r.Width(), color);
}

// Left label at the left edge, right label at the right edge, like the
// handheld's own bar; a disabled key's label is greyed.
void DrawSoftKeyLabels(std::vector<std::uint16_t>& pixels, int w, int h, const Window& bar) {
    // The labels' own size: the bar is as tall as the device makes it.
    static std::unique_ptr<text::Font> font;
    if (!font || font->Description().height != h * 3 / 5) font = text::Font::Create({h * 3 / 5, 400, false});
    text::DeviceContext dc;
    dc.Attach(pixels.data(), w, h);
    if (font) dc.SelectFont(font.get());
    const int margin = h / 4;
    for (int i = 0; i < 2; ++i) {
        const auto& key = bar.GetSoftKey(i);
        dc.SetTextColor(key.enabled ? 0x00FFFFFF : 0x00808080);
        text::TextRect r{i == 0 ? margin : w / 2 + margin, 0, i == 0 ? w / 2 - margin : w - margin, h};
        dc.DrawText(key.label, r,
                    (i == 0 ? text::kLeft : text::kRight) | text::kVCenter | text::kSingleLine | text::kEndEllipsis |
                        text::kNoPrefix);
    }
}

}  // namespace

SdlWindowSystem::SdlWindowSystem(ScreenMetrics metrics, int scale)
    : WindowSystem(std::move(metrics)), scale(std::clamp(scale, 1, 8)) {}

std::unique_ptr<SdlWindowSystem> SdlWindowSystem::Create(ScreenMetrics metrics, int scale, std::string* error) {
    std::unique_ptr<SdlWindowSystem> system(new SdlWindowSystem(std::move(metrics), scale));
    if (!system->Open(error)) return nullptr;
    return system;
}

bool SdlWindowSystem::Open(std::string* error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error) *error = std::string("cannot open the display: ") + SDL_GetError();
        return false;
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    // The window's own framebuffer, not one borrowed from a GL renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    const auto& m = Metrics();
    window = SDL_CreateWindow("Tobrix device", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, m.width * scale,
                              (m.height + m.MenuBarHeight()) * scale, SDL_WINDOW_SHOWN);
    // A handheld screen is small: the software renderer scales it fast enough,
    // needs no graphics driver and shows exactly the pixels we drew.
    if (window) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer && window) renderer = SDL_CreateRenderer(window, -1, 0);
    if (renderer) {
        screenTexture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, m.width, m.height);
        barTexture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, m.width,
                                       m.MenuBarHeight());
        panelTexture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, m.width,
                                         m.InputPanelHeight());
    }
    wakeEvent = SDL_RegisterEvents(1);
    if (!screenTexture || !barTexture || !panelTexture || wakeEvent == static_cast<std::uint32_t>(-1)) {
        if (error) *error = std::string("cannot create the device window: ") + SDL_GetError();
        return false;
    }
    SDL_StartTextInput();
    // Other threads wake the event wait with an event of our own; the UI
    // thread's own posts are seen before it ever waits.
    Queue().SetWakeHook([this] {
        if (OnUIThread()) return;
        SDL_Event e{};
        e.type = wakeEvent;
        SDL_PushEvent(&e);
    });
    DrawSoftKeys();
    DrawInputPanel();
    return true;
}

SdlWindowSystem::~SdlWindowSystem() {
    Queue().SetWakeHook(nullptr);
    if (panelTexture) SDL_DestroyTexture(panelTexture);
    if (barTexture) SDL_DestroyTexture(barTexture);
    if (screenTexture) SDL_DestroyTexture(screenTexture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::uint32_t SdlWindowSystem::DesktopWindowId() const { return window ? SDL_GetWindowID(window) : 0; }

void SdlWindowSystem::Pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) Handle(e);
}

void SdlWindowSystem::WaitForWork(std::optional<std::uint64_t> nextTimerDue) {
    if (needsRender) Render();
    int timeout = -1;
    if (nextTimerDue) {
        auto now = Clock().Now();
        timeout = *nextTimerDue > now ? static_cast<int>(std::min<std::uint64_t>(*nextTimerDue - now, 1000)) : 0;
    }
    SDL_Event e;
    if (timeout < 0 ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, timeout)) Handle(e);
}

void SdlWindowSystem::Handle(const SDL_Event& e) {
    const auto& m = Metrics();
    switch (e.type) {
    case SDL_QUIT:
        if (Window* w = MainWindow())
            PostMessage(w, WM_CLOSE, 0, 0);
        else
            PostQuitMessage(0);
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
            if (Window* w = MainWindow()) PostMessage(w, WM_CLOSE, 0, 0);
        } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
            needsRender = true;
        } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            DeviceFocus(true);
        } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            DeviceFocus(false);
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button != SDL_BUTTON_LEFT) break;
        // Without a touch screen a click on the screen does nothing, as a
        // finger on a Smartphone's display; the soft-key strip under it
        // stands for the two hardware keys and still answers.
        if (!m.touch && e.button.y / scale < m.height) break;
        stylusDown = true;
        StylusDown(e.button.x / scale, e.button.y / scale, e.button.clicks == 2);
        break;
    case SDL_MOUSEMOTION:
        if (stylusDown) StylusMove(e.motion.x / scale, std::min(e.motion.y / scale, m.height - 1));
        break;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT || !stylusDown) break;
        stylusDown = false;
        StylusUp(e.button.x / scale, std::min(e.button.y / scale, m.height - 1));
        break;
    case SDL_KEYDOWN:
        HandleKey(e, true);
        break;
    case SDL_KEYUP:
        HandleKey(e, false);
        break;
    case SDL_TEXTINPUT:
        TypeText(U16(e.text.text));
        break;
    default:
        break;
    }
}

void SdlWindowSystem::HandleKey(const SDL_Event& e, bool down) {
    std::uint32_t vk = VirtualKey(e.key.keysym.sym);
    if (!vk) return;
    if (down)
        KeyDown(vk);
    else
        KeyUp(vk);
}

void SdlWindowSystem::ScreenChanged(const WinRect&) { needsRender = true; }

void SdlWindowSystem::ChromeChanged() {
    DrawSoftKeys();
    needsRender = true;
}

void SdlWindowSystem::Raised(Window* w) {
    if (window) {
        SDL_SetWindowTitle(window, U8(w->Title()).c_str());
        SDL_RaiseWindow(window);
    }
}

int SdlWindowSystem::ShowMessageBox(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) {
    std::uint32_t kind = SDL_MESSAGEBOX_INFORMATION;
    if ((flags & 0xF0) == MB_ICONERROR) kind = SDL_MESSAGEBOX_ERROR;
    if ((flags & 0xF0) == MB_ICONWARNING) kind = SDL_MESSAGEBOX_WARNING;
    std::fprintf(stderr, "[message box] %s: %s\n", U8(caption).c_str(), U8(text).c_str());
    SDL_ShowSimpleMessageBox(kind, U8(caption).c_str(), U8(text).c_str(), window);
    return IDOK;
}

void SdlWindowSystem::Render() {
    needsRender = false;
    const auto& m = Metrics();
    SDL_UpdateTexture(screenTexture, nullptr, Screen().data(), m.width * 2);
    SDL_RenderClear(renderer);
    SDL_Rect screenRect{0, 0, m.width * scale, m.height * scale};
    SDL_RenderCopy(renderer, screenTexture, nullptr, &screenRect);
    // A keypad device has no panel to cover the screen with.
    if (InputPanelVisible() && m.touch) {
        WinRect p = InputPanelRect();
        SDL_Rect panelRect{p.left * scale, p.top * scale, p.Width() * scale, p.Height() * scale};
        SDL_RenderCopy(renderer, panelTexture, nullptr, &panelRect);
    }
    SDL_Rect barRect{0, m.height * scale, m.width * scale, m.MenuBarHeight() * scale};
    SDL_RenderCopy(renderer, barTexture, nullptr, &barRect);
    SDL_RenderPresent(renderer);
}

bool SdlWindowSystem::ReadDesktop(std::vector<std::uint16_t>& pixels, int& width, int& height) {
    Render();
    if (SDL_GetRendererOutputSize(renderer, &width, &height) != 0) return false;
    pixels.resize(static_cast<std::size_t>(width) * height);
    return SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB565, pixels.data(), width * 2) == 0;
}

void SdlWindowSystem::DrawSoftKeys() {
    const auto& m = Metrics();
    const int w = m.width, h = m.MenuBarHeight();
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(w) * h, kBarColor);
    Fill(pixels, w, {w / 2, h / 5, w / 2 + 1, h - h / 5}, 0x6B4D);
    if (Window* bar = MenuBarOf(nullptr); bar && bar->Visible()) DrawSoftKeyLabels(pixels, w, h, *bar);
    SDL_UpdateTexture(barTexture, nullptr, pixels.data(), w * 2);
}

// A keyboard look-alike: the real keyboard types, the panel only shows
// where the handheld's own panel would cover the screen.
void SdlWindowSystem::DrawInputPanel() {
    const auto& m = Metrics();
    const int w = m.width, h = m.InputPanelHeight();
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(w) * h, kPanelColor);
    const int rows = 4, cols = 10, gap = std::max(1, w / 160);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            WinRect key{c * w / cols + gap, r * h / rows + gap, (c + 1) * w / cols - gap, (r + 1) * h / rows - gap};
            Fill(pixels, w, key, kPanelKeyColor);
        }
    SDL_UpdateTexture(panelTexture, nullptr, pixels.data(), w * 2);
}

}  // namespace platform
