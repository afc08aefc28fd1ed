#include "support/DemoProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "support/ProgramRun.h"

DemoDevice::DemoDevice(int width, int height, const std::string& platformType) {
    root = ScratchPath("veltra-demo");
    std::filesystem::create_directories(root);
    platform::DeviceInfo info;
    info.profile = "test";
    info.platformType = platformType;
    info.screenWidth = width;
    info.screenHeight = height;
    info.dpi = width <= 240 ? 96 : 192;
    if (!platform::DeviceRoot(root, info).Save()) throw std::runtime_error("cannot write device.json");
}

DemoDevice::~DemoDevice() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

DemoProcess::DemoProcess(const DemoDevice& device, const std::vector<std::string>& args) {
    std::vector<std::string> all{"--headless", "--device-root", device.Root().string()};
    all.insert(all.end(), args.begin(), args.end());
    const std::string number = std::to_string(NextScratchNumber());
    const auto fifo = device.Root() / ("stdin-" + number);
    if (::mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("cannot make " + fifo.string());
    // Opened here first, for both ends: the demo's open of its end must not
    // block while the spawn waits for it.
    input = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    errorFile = device.Root() / ("stderr-" + number + ".txt");
    platform::SpawnOptions options;
    options.stdinFile = fifo;
    options.stderrFile = errorFile;
    auto p = platform::SpawnHost(DEMO_PROGRAM, all, options);
    if (input < 0 || !p) throw std::runtime_error("cannot start " DEMO_PROGRAM);
    pid = p->Id();
}

DemoProcess::~DemoProcess() {
    CloseInput();
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

void DemoProcess::CloseInput() {
    if (input >= 0) ::close(input);
    input = -1;
}

DemoRun DemoProcess::Wait(int timeoutSeconds) {
    DemoRun run;
    run.exitCode = WaitForExit(pid, std::chrono::seconds(timeoutSeconds));
    run.errors = ReadAll(errorFile);
    return run;
}

DemoRun RunScript(const DemoDevice& device, const std::string& script, std::vector<std::string> extraArgs) {
    const auto file = device.Root() / ("script-" + std::to_string(NextScratchNumber()) + ".txt");
    std::ofstream(file) << script;
    extraArgs.insert(extraArgs.begin(), {"--script", file.string()});
    DemoProcess p(device, extraArgs);
    return p.Wait();
}
