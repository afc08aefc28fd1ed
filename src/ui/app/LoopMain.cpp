#include "ui/app/LoopMain.h"

#include <cstdio>
#include <fstream>
#include <memory>

#include "base/OptionParser.h"
#include "platform/device/DeviceRoot.h"
#include "platform/window/HeadlessWindowSystem.h"
#include "platform/window/SdlWindowSystem.h"
#include "ui/app/Application.h"
#include "ui/app/ScriptRunner.h"

using namespace platform;

void AddLoopOptions(OptionParser& cli, LoopOptions& options) {
    cli.AddFlag("--headless", options.headless, "No window: frames go to memory, a script drives the run");
    cli.Add("--device-root", options.deviceRoot, "The emulated device's folder (default: TOBRIX_DEVICE_ROOT)");
    cli.Add("--script", options.script, "Headless script file ('-' or none: standard input)");
    cli.Add("--scale", options.scale, "Window pixels per device pixel").Range(1, 8);
}

bool StartLoop(const LoopOptions& options, std::string* error) {
    if (!options.deviceRoot.empty()) {
        auto device = DeviceRoot::Open(options.deviceRoot, error);
        if (!device) return false;
        SetCurrentDevice(*device);
    } else if (!HasCurrentDevice() && !UseDeviceFromEnvironment(error)) {
        if (error && error->empty()) *error = "no device root: pass --device-root or set TOBRIX_DEVICE_ROOT";
        return false;
    }
    const DeviceInfo& info = CurrentDevice().Info();
    ScreenMetrics metrics;
    metrics.width = info.screenWidth;
    metrics.height = info.screenHeight;
    metrics.dpi = info.dpi;
    metrics.platformType = info.platformType;
    metrics.touch = info.touch;
    if (metrics.width <= 0 || metrics.height <= 0 || metrics.width > 4096 || metrics.height > 4096) {
        if (error) *error = "device.json gives an impossible screen size";
        return false;
    }
    if (options.headless) {
        WindowSystem::Install(std::make_unique<HeadlessWindowSystem>(metrics));
        return true;
    }
    auto sdl = SdlWindowSystem::Create(metrics, options.scale, error);
    if (!sdl) {
        if (error) *error += " (use --headless where there is no display)";
        return false;
    }
    WindowSystem::Install(std::move(sdl));
    return true;
}

void StopLoop() { WindowSystem::Uninstall(); }

int RunLoop(Application& app, const std::u16string& windowName, const LoopOptions& options) {
    std::ifstream file;
    if (options.headless && !options.script.empty() && options.script != "-") {
        file.open(options.script);
        if (!file) {
            std::fprintf(stderr, "cannot read the script %s\n", options.script.c_str());
            return kLoopStartFailed;
        }
    }
    if (!app.Init(windowName)) return app.AlreadyRunning() ? kLoopOk : kLoopStartFailed;
    std::unique_ptr<ScriptRunner> runner;
    if (auto* headless = dynamic_cast<HeadlessWindowSystem*>(&WindowSystem::Current()))
        runner = std::make_unique<ScriptRunner>(app, *headless, file.is_open() ? &file : nullptr);
    const int code = app.Run();
    if (runner && runner->Failed()) return kLoopScriptFailed;
    return code;
}
