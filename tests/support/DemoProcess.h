#pragma once
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

// Runs veltra-demo as a real process on a temporary device root.
class DemoDevice {
public:
    DemoDevice(int width, int height, const std::string& platformType = "PocketPC");
    ~DemoDevice();
    const std::filesystem::path& Root() const { return root; }
    std::filesystem::path File(const std::string& name) const { return root / name; }

private:
    std::filesystem::path root;
};

using DemoRun = ProgramRun;

class DemoProcess {
public:
    // Started with its standard input on a pipe (the script, when none is given).
    DemoProcess(const DemoDevice& device, const std::vector<std::string>& args);
    ~DemoProcess();
    void CloseInput();
    DemoRun Wait(int timeoutSeconds = 60);

private:
    pid_t pid = -1;
    int input = -1;
    std::filesystem::path errorFile;
};

// Runs a headless script to the end.
DemoRun RunScript(const DemoDevice& device, const std::string& script, std::vector<std::string> extraArgs = {});
