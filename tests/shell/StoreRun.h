#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Makes a device of `profile` in `root` with the store installed from the
// package the build made (scripts/demo-device.sh); throws when that fails.
void InstallStoreDevice(const std::filesystem::path& root, const std::string& profile = "wm65-vga");

// A device with the store installed, in a temporary folder that goes away
// with the object.
class StoreDevice {
public:
    explicit StoreDevice(const std::string& profile = "wm65-vga");
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

struct StoreRun {
    int exitCode = -1;   // -2: killed after the time limit
    std::string errors;  // standard error
};

// Runs `tobrix --headless` on the device with the script, against `baseUrl`
// (none: the device's own), with a bounded wait.
StoreRun RunStore(const StoreDevice& device, const std::string& script, const std::string& baseUrl,
                  std::vector<std::string> extraArgs = {}, int timeoutSeconds = 120);

// Runs a program with arguments and returns its standard output; the exit
// code goes to `exitCode`.
std::string RunCapture(const std::string& program, const std::vector<std::string>& args, int* exitCode = nullptr);

nlohmann::json ReadTree(const std::filesystem::path& file);
// Every label text of a dumped tree that is on screen, depth first.
std::vector<std::string> ShownTexts(const nlohmann::json& tree);
bool Shows(const nlohmann::json& tree, const std::string& text);
