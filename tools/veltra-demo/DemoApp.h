#pragma once
#include "DemoScene.h"
#include "ui/app/Application.h"

// The demo application: full screen (or a given window width), the demo
// scene, soft keys "Clear" and "Spin", and the hand-over of a number from a
// second start.
class DemoApp : public Application {
public:
    static constexpr std::uint32_t kHandOverMessage = platform::WM_USER + 200;

    struct Options {
        int windowWidth = 0;      // 0: full screen
        long long handOver = -1;  // what a second start hands over (-1: nothing)
    };
    explicit DemoApp(Options options) : options(options) {}
    ~DemoApp() override;

    void OnCreate(const platform::CreateStruct& create) override;
    void OnSize(int width, int height) override;
    bool OnCreateUi() override;
    void OnAlreadyRunning(platform::WindowRef& running) override;
    platform::LRESULT WindowProc(platform::Window* window, std::uint32_t message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

    const shared_ptr<DemoScene>& Scene() const { return scene; }

private:
    Options options;
    shared_ptr<DemoScene> scene;
};
