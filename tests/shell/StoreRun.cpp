#include "StoreRun.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "core/Kestrum.h"
#include "platform/process/Process.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int counter = 0;

}  // namespace

StoreDevice::StoreDevice(const std::string& profile) {
    root = fs::temp_directory_path() / ("tobrix-store-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    fs::remove_all(root);
    InstallStoreDevice(root, profile);
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

StoreDevice::~StoreDevice() {
    std::error_code ec;
    fs::remove_all(root, ec);
}

fs::path StoreDevice::ProgramFile(const std::string& name) const { return root / "Program Files" / "Tobrix" / name; }

std::string RunCapture(const std::string& program, const std::vector<std::string>& args, int* exitCode) {
    const fs::path out = fs::temp_directory_path() /
                         ("tobrix-capture-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    platform::SpawnOptions options;
    options.stdoutFile = out;
    options.stderrFile = "/dev/null";
    auto p = platform::SpawnHost(program, args, options);
    int code = -1;
    if (!p || !p->Wait(&code)) code = -1;
    if (exitCode) *exitCode = code;
    std::string text = ReadAll(out);
    std::error_code ec;
    fs::remove(out, ec);
    return text;
}

RunningStore::RunningStore(const StoreDevice& device, const std::string& script, const std::string& baseUrl,
                           std::vector<std::string> extraArgs) {
    const int n = ++counter;
    const fs::path scriptFile = device.Scratch("script-" + std::to_string(n) + ".txt");
    errorFile = device.Scratch("stderr-" + std::to_string(n) + ".txt");
    std::ofstream(scriptFile) << script;
    std::vector<std::string> args = {"--headless", "--device-root", device.Root().string(), "--script",
                                     scriptFile.string()};
    if (!baseUrl.empty()) args.insert(args.end(), {"--base", baseUrl});
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    platform::SpawnOptions options;
    options.stdinFile = "/dev/null";
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
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    while (pid > 0) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            pid = -1;
            break;
        }
        if (std::chrono::steady_clock::now() > until) {
            Kill();
            run.exitCode = -2;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.errors = ReadAll(errorFile);
    return run;
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

StoreRun RunStore(const StoreDevice& device, const std::string& script, const std::string& baseUrl,
                  std::vector<std::string> extraArgs, int timeoutSeconds) {
    return RunningStore(device, script, baseUrl, std::move(extraArgs)).Wait(timeoutSeconds);
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

bool Shows(const nlohmann::json& tree, const std::string& text) {
    for (const auto& t : ShownTexts(tree))
        if (t == text) return true;
    return false;
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
