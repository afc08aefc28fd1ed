#pragma once
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/ProgramRun.h"

// Makes a device of `profile` in `root` with the store installed from the
// package the build made (scripts/demo-device.sh); throws when that fails.
void InstallStoreDevice(const std::filesystem::path& root, const std::string& profile = "wm65-vga");

// A device with the store installed, in a temporary folder that goes away
// with the object. Only with `htmlViewer` does it keep the HTML viewer, and
// so show the advertising strip under the main menu: the screens' suites
// lay their screens out over the whole height, the strip's own suites ask
// for it.
class StoreDevice {
public:
    explicit StoreDevice(const std::string& profile = "wm65-vga", bool htmlViewer = false);
    ~StoreDevice();
    StoreDevice(const StoreDevice&) = delete;
    StoreDevice& operator=(const StoreDevice&) = delete;

    const std::filesystem::path& Root() const { return root; }
    std::filesystem::path ProgramFile(const std::string& name) const;
    // A file for the test's own use (scripts, screenshots, dumps).
    std::filesystem::path Scratch(const std::string& name) const { return root / "scratch" / name; }

private:
    std::filesystem::path root;
};

// Leaves the demo account remembered in the device's settings.dat, as after
// an earlier run of the store, so that its sign-in screen needs only the
// first soft key. The device must be the current one. False when the file
// could not be written.
bool RememberDemoSignIn(const StoreDevice& device);

using StoreRun = ProgramRun;

// `tobrix --headless` started on the device with the script, against
// `baseUrl` (none: the device's own), running in the background so that a
// test can look at the device meanwhile, or kill the store.
class RunningStore {
public:
    RunningStore(const StoreDevice& device, const std::string& script, const std::string& baseUrl,
                 std::vector<std::string> extraArgs = {});
    // The script read as it is written into a pipe the caller made.
    struct LiveScript {
        std::filesystem::path pipe;
    };
    RunningStore(const StoreDevice& device, const LiveScript& script, const std::string& baseUrl,
                 std::vector<std::string> extraArgs = {});
    // A store still running is killed.
    ~RunningStore();
    RunningStore(const RunningStore&) = delete;
    RunningStore& operator=(const RunningStore&) = delete;

    // Waits, bounded, for the program to end (killed after the time limit).
    StoreRun Wait(int timeoutSeconds = 120);
    // True once the program has ended by itself (Wait then answers at once).
    bool Ended();
    // SIGKILL, as a task manager or a flat battery would end it.
    StoreRun Kill();

private:
    void Start(const StoreDevice& device, const std::string& script, const std::filesystem::path& input,
               const std::string& baseUrl, std::vector<std::string> extraArgs);
    int pid = -1;
    int exitCode = -1;
    std::filesystem::path errorFile;
};

// `tobrix --headless` on the device reading its script as the test writes
// it, through a pipe, so that a test can look at the store between steps.
class LiveStore {
public:
    LiveStore(const StoreDevice& device, const std::string& baseUrl, std::vector<std::string> extraArgs = {});
    // Ends the script (the store quits) and waits for the program, bounded.
    ~LiveStore();
    LiveStore(const LiveStore&) = delete;
    LiveStore& operator=(const LiveStore&) = delete;

    // Appends script lines (each ending with a new line).
    void Say(const std::string& lines);
    // The tree as the store dumps it once everything said so far is done;
    // null after `limit` (give a script's own long waits room).
    nlohmann::json Dump(std::chrono::seconds limit = std::chrono::seconds(60));
    // Dumps until `done` holds for the dump, bounded; the last dump.
    nlohmann::json DumpUntil(const std::function<bool(const nlohmann::json&)>& done);
    // Says "quit", closes the script and waits for the exit code.
    StoreRun Finish();
    // True once the program has ended before Finish (a failed command).
    bool Ended() { return store->Ended(); }

private:
    const StoreDevice& device;
    int input = -1;
    int dumps = 0;
    std::unique_ptr<RunningStore> store;
};

// Runs the store as RunningStore does and waits for it.
StoreRun RunStore(const StoreDevice& device, const std::string& script, const std::string& baseUrl,
                  std::vector<std::string> extraArgs = {}, int timeoutSeconds = 120);

// RunCaptured for those who need only the standard output; the exit
// code goes to `exitCode`.
std::string RunCapture(const std::string& program, const std::vector<std::string>& args, int* exitCode = nullptr);

// Runs a host program to its end, its output dropped and its errors shown
// with the test's own: the exit code, -1 when it could not start or end.
int RunHost(const std::string& program, const std::vector<std::string>& args);

// One package transfer as the device's emulated line logged it.
struct LinkTransfer {
    int64_t from;  // -1: the whole file asked for
    int status;
    uint64_t headerBytes, bodyBytes;
    std::string outcome;  // "complete", "dropped", ...
};
// The package downloads (size queries left out) the device's line carried, in order.
std::vector<LinkTransfer> PackageTransfers(const StoreDevice& device);

nlohmann::json ReadTree(const std::filesystem::path& file);
// Every label text of a dumped tree that is on screen, depth first.
std::vector<std::string> ShownTexts(const nlohmann::json& tree);
bool Shows(const nlohmann::json& tree, const std::string& text);
// How many labels on screen show exactly `text`.
int CountShown(const nlohmann::json& tree, const std::string& text);

// A shown text starts so: the details page of an application opened by its
// id alone has no title, its description names it ("Chat Link by Orbit.").
bool ShowsStart(const nlohmann::json& tree, const std::string& start);
