#include "platform/process/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <thread>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"

extern char** environ;

namespace fs = std::filesystem;

namespace platform {
namespace {

// Device programs the emulator provides as host programs.
struct Mapping {
    std::u16string_view devicePath;
    std::string_view hostName;
};
constexpr Mapping kMappings[] = {
    {u"\\Windows\\wceload.exe", "wceload"},
    {u"\\Windows\\iexplore.exe", "iexplore"},
};

// Device programs whose installed file is itself a host program: the store's
// own package carries the host build of the store under its device name, so
// what runs is exactly what was installed. Any other package's programs only
// reach the launch log: a catalog package never runs code on the host.
constexpr std::u16string_view kNativePrograms[] = {
    u"\\Program Files\\Tobrix\\Tobrix.exe",
};

bool Executable(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

// An executable file in the host's own format (a text stand-in with the
// executable bit is still only a device file).
bool HostExecutable(const fs::path& p) {
    if (!Executable(p)) return false;
    char magic[4] = {};
    std::ifstream in(p, std::ios::binary);
    return in.read(magic, sizeof magic) && std::string_view(magic, 4) == "\x7F" "ELF";
}

std::optional<fs::path> NativeProgram(std::u16string_view devicePath) {
    if (!HasCurrentDevice()) return std::nullopt;
    for (auto native : kNativePrograms) {
        if (!text::EqualsIgnoreCase(devicePath, native)) continue;
        auto host = CurrentDevice().HostPath(devicePath);
        if (host && HostExecutable(*host)) return host;
    }
    return std::nullopt;
}

// Our environment with TOBRIX_DEVICE_ROOT set to the current device, so that a
// child installer or processor works on the same device as its parent.
constexpr std::string_view kDeviceRootVariable = "TOBRIX_DEVICE_ROOT=";
constexpr std::string_view kCommandLineVariable = "TOBRIX_COMMAND_LINE=";

std::vector<std::string> ChildEnvironment(const SpawnOptions& options) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string_view entry(*e);
        if (!entry.starts_with(kDeviceRootVariable) && !entry.starts_with(kCommandLineVariable))
            env.emplace_back(entry);
    }
    if (HasCurrentDevice()) env.push_back(std::string(kDeviceRootVariable) + CurrentDevice().Root().string());
    if (options.deviceCommandLine)
        env.push_back(std::string(kCommandLineVariable) + text::Utf16ToUtf8(*options.deviceCommandLine));
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

std::string UtcTimestamp() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

}  // namespace

std::optional<fs::path> RunningExecutableDir() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    return self.parent_path();
}

Process Process::Finished(int exitCode) {
    Process p;
    p.pid = 0;
    p.finishedCode = exitCode;
    return p;
}

bool Process::Wait(int* exitCode) {
    if (pid == 0 && finishedCode >= 0) {
        if (exitCode) *exitCode = finishedCode;
        finishedCode = -1;
        pid = -1;
        return true;
    }
    if (pid <= 0) return false;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    pid = -1;
    if (r < 0) return false;
    if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

void Process::Detach() {
    if (pid > 0) {
        pid_t child = pid;
        std::thread([child] {
            int status = 0;
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    pid = -1;
    finishedCode = -1;
}

std::vector<std::u16string> SplitCommandLine(std::u16string_view line) {
    std::vector<std::u16string> args;
    std::u16string current;
    bool inArg = false, quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char16_t c = line[i];
        if (c == u'\\' && i + 1 < line.size() && line[i + 1] == u'"') {
            current += u'"';
            inArg = true;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
            inArg = true;  // "" is an empty argument
        } else if (!quoted && (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')) {
            if (inArg) args.push_back(std::move(current));
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(std::move(current));
    return args;
}

std::optional<fs::path> FindHostProgram(std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
    std::vector<fs::path> candidates;
    if (const char* dir = std::getenv("TOBRIX_EMULATOR_DIR"); dir && *dir) {
        candidates.push_back(fs::path(dir) / name);
        candidates.push_back(fs::path(dir) / name / name);
    }
    if (auto dir = RunningExecutableDir()) candidates.push_back(*dir / name);
#ifdef TOBRIX_EMULATOR_BUILD_DIR
    candidates.push_back(fs::path(TOBRIX_EMULATOR_BUILD_DIR) / name / name);
#endif
    for (const auto& c : candidates)
        if (Executable(c)) return c;
    return std::nullopt;
}

std::optional<fs::path> HostProgramFor(std::u16string_view devicePath) {
    for (const auto& m : kMappings)
        if (text::EqualsIgnoreCase(devicePath, m.devicePath)) return FindHostProgram(m.hostName);
    return NativeProgram(devicePath);
}

std::optional<Process> SpawnHost(const fs::path& program, const std::vector<std::string>& args,
                                 const SpawnOptions& options, std::string* error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.stdinFile)
        posix_spawn_file_actions_addopen(&actions, 0, options.stdinFile->c_str(), O_RDONLY, 0);
    if (options.stdoutFile)
        posix_spawn_file_actions_addopen(&actions, 1, options.stdoutFile->c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    if (options.stderrFile)
        posix_spawn_file_actions_addopen(&actions, 2, options.stderrFile->c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    // Our registry connections, sockets and files are none of the child's business.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = ChildEnvironment(options);
    std::vector<char*> argvp = Pointers(argv), envp = Pointers(env);

    pid_t pid = -1;
    int rc = options.searchPath
                 ? ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argvp.data(), envp.data())
                 : ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argvp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        if (error) *error = "cannot start " + program.string() + ": " + std::strerror(rc);
        return std::nullopt;
    }
    return Process(pid);
}

std::optional<Process> CreateDeviceProcess(std::u16string_view devicePath, std::u16string_view commandLine,
                                           std::string* error) {
    std::vector<std::string> args;
    for (const auto& a : SplitCommandLine(commandLine)) args.push_back(text::Utf16ToUtf8(a));
    if (auto host = HostProgramFor(devicePath)) {
        SpawnOptions options;
        options.deviceCommandLine = std::u16string(commandLine);
        return SpawnHost(*host, args, options, error);
    }

    if (!HasCurrentDevice()) {
        if (error) *error = "no device selected";
        return std::nullopt;
    }
    auto file = CurrentDevice().HostPath(devicePath);
    std::error_code ec;
    if (!file || !fs::is_regular_file(*file, ec)) {
        if (error) *error = "no such program on the device: " + text::Utf16ToUtf8(devicePath);
        return std::nullopt;
    }
    if (!AppendLaunchLog(devicePath, commandLine)) {
        if (error) *error = "cannot write the launch log";
        return std::nullopt;
    }
    return Process::Finished(0);
}

std::optional<std::u16string> DeviceCommandLine() {
    const char* line = std::getenv("TOBRIX_COMMAND_LINE");
    if (!line) return std::nullopt;
    return text::Utf8ToUtf16(line);
}

fs::path LaunchLogFile() { return CurrentDevice().Root() / "launch.log"; }

bool AppendLaunchLog(std::u16string_view devicePath, std::u16string_view commandLine) {
    if (!HasCurrentDevice()) return false;
    // Control characters would let a crafted path forge further log lines.
    auto clean = [](std::u16string_view s) {
        std::string out = text::Utf16ToUtf8(s);
        for (char& c : out)
            if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        return out;
    };
    std::string line = UtcTimestamp() + "\t" + clean(devicePath) + "\t" + clean(commandLine) + "\n";
    int fd = ::open(LaunchLogFile().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // One write per line: O_APPEND keeps lines of concurrent launches whole.
    ssize_t n = ::write(fd, line.data(), line.size());
    ::close(fd);
    return n == static_cast<ssize_t>(line.size());
}

}  // namespace platform
