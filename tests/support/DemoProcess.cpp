#include "support/DemoProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/device/DeviceRoot.h"

extern char** environ;

namespace {
int counter = 0;
}

DemoDevice::DemoDevice(int width, int height, const std::string& platformType) {
    root = std::filesystem::temp_directory_path() /
           ("veltra-demo-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
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
    std::vector<std::string> all{DEMO_PROGRAM, "--headless", "--device-root", device.Root().string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    errorFile = device.Root() / ("stderr-" + std::to_string(++counter) + ".txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid, DEMO_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[0]);
    input = pipeFds[1];
    if (pid < 0) throw std::runtime_error("cannot start " DEMO_PROGRAM);
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
    const auto file = device.Root() / ("script-" + std::to_string(++counter) + ".txt");
    std::ofstream(file) << script;
    extraArgs.insert(extraArgs.begin(), {"--script", file.string()});
    DemoProcess p(device, extraArgs);
    return p.Wait();
}
