#pragma once
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Processes of the emulated handheld. A device program ("\Windows\wceload.exe")
// is either one of the emulator's own host programs, which then really runs,
// or a program that only exists as a file on the device; starting one of those
// is recorded in the device's launch log (<root>/launch.log) so that people and
// tests can see what would have run. Nothing ever goes through a shell: the
// arguments reach the program exactly as split here.
namespace platform {

// A started program. It must be waited for (or detached) by its owner; the
// destructor does not wait, so a forgotten process stays a zombie only until
// this process ends.
class Process {
public:
    Process() = default;
    // A program that was only logged: it "ran" and ended at once.
    static Process Finished(int exitCode);
    explicit Process(pid_t pid) : pid(pid) {}

    pid_t Id() const { return pid; }
    bool Running() const { return pid > 0; }
    // Waits without a time limit. `exitCode` receives the program's exit
    // status, or 128 + the signal number when it was killed. False when the
    // process cannot be waited for (never started, already waited for).
    bool Wait(int* exitCode = nullptr);
    // Reaps the process on a background thread; for programs nobody waits on
    // (a launched application, the browser).
    void Detach();

private:
    pid_t pid = -1;
    int finishedCode = -1;
};

// Splits a command line the way the device's programs read theirs: white
// space separates arguments, double quotes group (and are dropped), a
// backslash before a double quote makes it literal; every other backslash is
// kept, since device paths are full of them.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// The host executable of an emulator program ("wceload", "provision"):
// $TOBRIX_EMULATOR_DIR/<name>, then next to the running executable, then the
// build tree this library was built in. nullopt when none is executable.
std::optional<std::filesystem::path> FindHostProgram(std::string_view name);

// The folder of the running executable, when it can be told.
std::optional<std::filesystem::path> RunningExecutableDir();

// The host program that stands in for a device program, or nullopt when the
// device program has none (compared ignoring case). The emulator's own
// programs stand in for the device's ("\Windows\wceload.exe"); the store's
// program file, "\Program Files\Tobrix\Tobrix.exe", is a host program itself
// when its package carried a host build of the store.
std::optional<std::filesystem::path> HostProgramFor(std::u16string_view devicePath);

// Starts a host executable with the given arguments (argv[0] is added). The
// child gets the current device root as TOBRIX_DEVICE_ROOT, the rest of our
// environment, and none of our open descriptors other than 0, 1 and 2.
// `stdinFile`/`stdoutFile`/`stderrFile`, when given, replace standard input,
// output and error.
struct SpawnOptions {
    bool searchPath = false;  // look the program up in PATH (host commands)
    // The device command line of a device program (see DeviceCommandLine);
    // the variable is never passed on from our own environment.
    std::optional<std::u16string> deviceCommandLine;
    std::optional<std::filesystem::path> stdinFile;
    std::optional<std::filesystem::path> stdoutFile;
    std::optional<std::filesystem::path> stderrFile;
};
std::optional<Process> SpawnHost(const std::filesystem::path& program, const std::vector<std::string>& args,
                                 const SpawnOptions& options = {}, std::string* error = nullptr);

// Starts a device program with a command line. A program with a host mapping
// runs, with the command line split into its arguments and also whole in
// TOBRIX_COMMAND_LINE; one without is appended to the launch log and yields a
// process that has already ended with code 0, provided its file exists on the
// device. A missing file, or a host program that cannot be started, is a
// failure.
std::optional<Process> CreateDeviceProcess(std::u16string_view devicePath, std::u16string_view commandLine,
                                           std::string* error = nullptr);

// The command line this program was given as a device program, exactly as the
// device hands it to a program's entry: everything after the program's name,
// quotes and spacing kept (a link opened through a URL protocol arrives in
// its double quotes). nullopt when the program was not started as a device
// program.
std::optional<std::u16string> DeviceCommandLine();

// Appends "<UTC time>\t<device path>\t<command line>" to the current device's
// launch log. False when the log cannot be written.
bool AppendLaunchLog(std::u16string_view devicePath, std::u16string_view commandLine);
std::filesystem::path LaunchLogFile();

}  // namespace platform
