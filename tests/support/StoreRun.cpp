#include "support/StoreRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "core/Kestrum.h"
#include "platform/process/Process.h"
#include "support/ProgramRun.h"

namespace fs = std::filesystem;

StoreDevice::StoreDevice(const std::string& profile, bool htmlViewer) {
    root = ScratchPath("tobrix-store");
    fs::remove_all(root);
    InstallStoreDevice(root, profile);
    if (!htmlViewer) fs::remove(root / "Windows" / "htmlview.dll");
    fs::create_directories(root / "scratch");
}

void InstallStoreDevice(const fs::path& root, const std::string& profile) {
    // The way a person makes one: the device's installer runs the store's own
    // package, so its files, shortcut and links are those a user would get.
    int code = -1;
    RunCapture("/bin/bash",
               {TOBRIX_SOURCE_DIR "/scripts/demo-device.sh", root.string(), TOBRIX_BINARY_DIR, profile}, &code);
    if (code != 0) throw std::runtime_error("scripts/demo-device.sh failed for " + root.string());
}

namespace {

// Whether a process still runs on the device at `root`: one whose environment
// names it as its device (the store passes it to every program it starts).
bool DeviceProgramRunning(const fs::path& root) {
    std::error_code ec;
    const fs::path device = fs::weakly_canonical(root, ec);
    const std::string variable = "TOBRIX_DEVICE_ROOT=";
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "environ", std::ios::binary);
        std::string item;
        while (std::getline(in, item, '\0'))
            if (item.rfind(variable, 0) == 0 && fs::weakly_canonical(item.substr(variable.size()), ec) == device)
                return true;
    }
    return false;
}

}  // namespace

StoreDevice::~StoreDevice() {
    // A program the store started may outlive the case (an installer, the
    // browser, a second store opened by a link). Removed under it, the folder
    // came back holding the registry's shared-memory file it opened: wait for
    // such programs first, within a bound.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (DeviceProgramRunning(root) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::error_code ec;
    fs::remove_all(root, ec);
}

fs::path StoreDevice::ProgramFile(const std::string& name) const { return root / "Program Files" / "Tobrix" / name; }

std::string RunCapture(const std::string& program, const std::vector<std::string>& args, int* exitCode) {
    Captured run = RunCaptured(program, args);
    if (exitCode) *exitCode = run.exitCode;
    return run.out;
}

int RunHost(const std::string& program, const std::vector<std::string>& args) {
    const Captured run = RunCaptured(program, args);
    std::cerr << run.err;
    return run.exitCode;
}

RunningStore::RunningStore(const StoreDevice& device, const std::string& script, const std::string& baseUrl,
                           std::vector<std::string> extraArgs) {
    const fs::path file = device.Scratch("script-" + std::to_string(NextScratchNumber()) + ".txt");
    std::ofstream(file) << script;
    Start(device, file.string(), "/dev/null", baseUrl, std::move(extraArgs));
}

RunningStore::RunningStore(const StoreDevice& device, const LiveScript& script, const std::string& baseUrl,
                           std::vector<std::string> extraArgs) {
    Start(device, "-", script.pipe, baseUrl, std::move(extraArgs));
}

void RunningStore::Start(const StoreDevice& device, const std::string& script, const fs::path& input,
                         const std::string& baseUrl, std::vector<std::string> extraArgs) {
    errorFile = device.Scratch("stderr-" + std::to_string(NextScratchNumber()) + ".txt");
    std::vector<std::string> args = {"--headless", "--device-root", device.Root().string(), "--script", script};
    if (!baseUrl.empty()) args.insert(args.end(), {"--base", baseUrl});
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    platform::SpawnOptions options;
    options.stdinFile = input;
    options.stderrFile = errorFile;
    auto p = platform::SpawnHost(TOBRIX_PATH, args, options);
    if (!p) throw std::runtime_error("cannot start tobrix");
    pid = p->Id();
}

RunningStore::~RunningStore() {
    if (pid > 0) Kill();
}

StoreRun RunningStore::Wait(int timeoutSeconds) {
    StoreRun run;
    if (pid > 0) exitCode = WaitForExit(pid, std::chrono::seconds(timeoutSeconds));
    run.exitCode = exitCode;
    run.errors = ReadAll(errorFile);
    return run;
}

bool RunningStore::Ended() {
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid = -1;
    }
    return pid <= 0;
}

StoreRun RunningStore::Kill() {
    StoreRun run;
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.exitCode = 128 + SIGKILL;
        pid = -1;
    }
    run.errors = ReadAll(errorFile);
    return run;
}

LiveStore::LiveStore(const StoreDevice& device, const std::string& baseUrl, std::vector<std::string> extraArgs)
    : device(device) {
    const fs::path fifo = device.Scratch("live-" + std::to_string(NextScratchNumber()) + ".fifo");
    if (::mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("cannot make " + fifo.string());
    // Opened here first, for both ends: the store's open of its end must not
    // block while the spawn waits for it.
    input = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    if (input < 0) throw std::runtime_error("cannot open " + fifo.string());
    store = std::make_unique<RunningStore>(device, RunningStore::LiveScript{fifo}, baseUrl, std::move(extraArgs));
}

LiveStore::~LiveStore() {
    if (input >= 0) Finish();
}

void LiveStore::Say(const std::string& lines) {
    if (input < 0) return;
    for (size_t done = 0; done < lines.size();) {
        const ssize_t n = ::write(input, lines.data() + done, lines.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

nlohmann::json LiveStore::Dump(std::chrono::seconds limit) {
    const fs::path file = device.Scratch("live-dump-" + std::to_string(++dumps) + ".json");
    const fs::path done = device.Scratch("live-dump-" + std::to_string(dumps) + ".done");
    // The second file appears only once the first is whole.
    Say("dump-tree " + file.string() + "\ndump-tree " + done.string() + "\n");
    if (!Eventually([&] { return fs::exists(done); }, limit)) return nullptr;
    return ReadTree(file);
}

nlohmann::json LiveStore::DumpUntil(const std::function<bool(const nlohmann::json&)>& condition) {
    nlohmann::json tree;
    for (int i = 0; i < 300; ++i) {
        tree = Dump();
        if (tree.is_null() || condition(tree)) return tree;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return tree;
}

StoreRun LiveStore::Finish() {
    Say("quit\n");
    if (input >= 0) ::close(input);
    input = -1;
    return store->Wait();
}

StoreRun RunStore(const StoreDevice& device, const std::string& script, const std::string& baseUrl,
                  std::vector<std::string> extraArgs, int timeoutSeconds) {
    return RunningStore(device, script, baseUrl, std::move(extraArgs)).Wait(timeoutSeconds);
}

std::vector<LinkTransfer> PackageTransfers(const StoreDevice& device) {
    std::vector<LinkTransfer> out;
    std::ifstream log(device.Root() / "link.log");
    for (std::string line; std::getline(log, line);) {
        const nlohmann::json j = nlohmann::json::parse(line);
        const std::string url = j["url"];
        if (url.find("download") == std::string::npos || url.find("getsize") != std::string::npos) continue;
        out.push_back({j["rangeFrom"], j["status"], j["headerBytes"], j["bodyBytes"], j["outcome"]});
    }
    return out;
}

nlohmann::json ReadTree(const fs::path& file) {
    std::ifstream in(file);
    return nlohmann::json::parse(in);
}

std::vector<std::string> ShownTexts(const nlohmann::json& tree) {
    std::vector<std::string> out;
    if (tree.contains("text") && tree.value("onScreen", false)) out.push_back(tree["text"]);
    for (const auto& child : tree["children"]) {
        auto more = ShownTexts(child);
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

bool Shows(const nlohmann::json& tree, const std::string& text) { return CountShown(tree, text) > 0; }

int CountShown(const nlohmann::json& tree, const std::string& text) {
    int count = 0;
    for (const auto& t : ShownTexts(tree)) count += t == text;
    return count;
}

bool ShowsStart(const nlohmann::json& tree, const std::string& start) {
    for (const auto& t : ShownTexts(tree))
        if (t.starts_with(start)) return true;
    return false;
}

bool RememberDemoSignIn(const StoreDevice& device) {
    Kestrum& k = Kestrum::Instance();
    k.Reset();
    k.savedLogin = k.sessionLogin = u"demo";
    k.savedPassword = k.sessionPassword = u"demo";
    const bool saved = k.SaveSettings(device.ProgramFile("settings.dat"));
    k.Reset();
    return saved;
}
