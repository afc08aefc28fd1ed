#pragma once
#include <string>

class Application;
class OptionParser;

// The options every program built on the loop takes, and the steps that
// start it: open the device, pick the window system, run the application
// (with its script when headless).
struct LoopOptions {
    bool headless = false;
    std::string deviceRoot;  // empty: TOBRIX_DEVICE_ROOT
    std::string script;      // headless only; empty or "-": standard input
    int scale = 1;           // SDL: screen pixels per device pixel
};

void AddLoopOptions(OptionParser& cli, LoopOptions& options);

// Opens the device and installs the window system. False with `error`.
bool StartLoop(const LoopOptions& options, std::string* error);
void StopLoop();

// Exit codes of RunLoop.
enum LoopExit { kLoopOk = 0, kLoopStartFailed = 1, kLoopScriptFailed = 2 };

// Init under `windowName`, then the message loop. Another instance already
// running counts as success (it got the hand-over).
int RunLoop(Application& app, const std::u16string& windowName, const LoopOptions& options);
