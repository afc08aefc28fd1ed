#pragma once
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// How a program a test started has ended.
struct ProgramRun {
    int exitCode = -1;   // 128 + signal when a signal ended it; -2: killed after the time limit
    std::string errors;  // standard error
};

// A run that ended by itself with code 0: for the store and the demo, its
// script reached the end with every expect met. Otherwise the failure says
// how it ended and what the program wrote to standard error (the script's
// failed line among it).
::testing::AssertionResult Succeeded(const ProgramRun& run);

// Waits at most `limit` for the child `pid` to end and reaps it; kills it
// after that. Its exit code (as in ProgramRun); `pid` is -1 afterwards.
int WaitForExit(pid_t& pid, std::chrono::seconds limit);

// Polls `done` until it holds or `limit` has passed; its last answer.
bool Eventually(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60));

// The whole file; empty when it cannot be read.
std::string ReadAll(const std::filesystem::path& file);

// A number no earlier call in this process returned, for scratch names.
int NextScratchNumber();
// A path in the system's temporary folder that no other process and no
// earlier call names: PREFIX-<process id>-<number>. Nothing is made there.
std::filesystem::path ScratchPath(const std::string& prefix);

// A program run to its end with what it printed. Standard input is `input`
// (empty by default), so that a program waiting for a script ends at once
// instead of hanging.
struct Captured {
    int exitCode = -1;  // as WaitForExit; -1 also when it could not start
    std::string out, err;
};
// Runs `program` (looked up in PATH when it has no slash) with `args`, for at
// most `limit`; its output goes through files that are removed afterwards.
Captured RunCaptured(const std::string& program, const std::vector<std::string>& args, const std::string& input = "",
                     std::chrono::seconds limit = std::chrono::seconds(120));
