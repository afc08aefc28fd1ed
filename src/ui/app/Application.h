#pragma once
#include "ui/Touch.h"
#include "ui/app/BaseApplication.h"
#include "ui/app/WindowsMobileUIServer.h"

// The application of the drawn UI: adds the UI server and turns stylus and
// key messages into Touch and Key records for the object tree.
class Application : public BaseApplication {
public:
    Application() = default;
    ~Application() override;

    // Called once the window and the UI server are ready: build the UI here.
    virtual bool OnCreateUi() { return true; }

    void OnSize(int width, int height) override;
    void OnInitialized() override;
    void OnClose() override;
    void OnActivate() override;
    void OnDeactivate() override;
    void OnPaint(const platform::PaintStruct& paint) override;
    bool OnEraseBackground() override;
    void OnStylusDown(int x, int y) override;
    void OnStylusUp(int x, int y) override;
    void OnStylusMove(int x, int y) override;
    void OnDoubleTap(int x, int y) override;
    void OnKeyDown(int virtualKey) override;
    void OnChar(char16_t character) override;
    void OnTimer(std::uintptr_t id) override;
    platform::LRESULT WindowProc(platform::Window* window, std::uint32_t message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

    WindowsMobileUIServer& GetServer() { return server; }
    const Touch& GetTouch() const { return touch; }
    // The key code of a virtual key, or -1 for keys the tree never sees.
    static int KeyCodeOf(int virtualKey);

protected:
    WindowsMobileUIServer server;
    Touch touch;

private:
    void Stylus(int type, int x, int y);
};
