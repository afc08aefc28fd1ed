#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/window/WindowSystem.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace platform {

// The interactive backend: one desktop window showing the device screen
// (scaled by an integer factor for small screens) with the soft-key strip
// under it. The mouse is the stylus, the keyboard the keypad, typed text
// arrives as characters (any script), F1/F2 or a click on a label press the
// soft keys, and closing the window closes the application window.
class SdlWindowSystem : public WindowSystem {
public:
    // Null with `error` when there is no display or SDL cannot start.
    static std::unique_ptr<SdlWindowSystem> Create(ScreenMetrics metrics, int scale, std::string* error);
    ~SdlWindowSystem() override;

    const char* Name() const override { return "sdl"; }
    // The desktop window's id, for tests that inject events.
    std::uint32_t DesktopWindowId() const;
    int Scale() const { return scale; }
    // What the desktop window shows now (screen, panel and soft keys), read
    // back from the renderer as 5-6-5 pixels.
    bool ReadDesktop(std::vector<std::uint16_t>& pixels, int& width, int& height);

protected:
    void Pump() override;
    void WaitForWork(std::optional<std::uint64_t> nextTimerDue) override;
    void ScreenChanged(const WinRect& area) override;
    void ChromeChanged() override;
    void Raised(Window* window) override;
    int ShowMessageBox(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) override;

private:
    SdlWindowSystem(ScreenMetrics metrics, int scale);
    bool Open(std::string* error);
    void Handle(const SDL_Event& event);
    void HandleKey(const SDL_Event& event, bool down);
    void Render();
    void DrawSoftKeys();
    void DrawInputPanel();

    int scale = 1;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* screenTexture = nullptr;
    SDL_Texture* barTexture = nullptr;
    SDL_Texture* panelTexture = nullptr;
    std::uint32_t wakeEvent = 0;
    bool stylusDown = false;
    bool needsRender = true;
};

}  // namespace platform
