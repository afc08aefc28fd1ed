#pragma once
#include <functional>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "base/OptionParser.h"

// Each subcommand group lives in a file of its own and registers itself here,
// so adding a group never touches main.cpp.
namespace tobrixctl {

using Setup = std::function<void(OptionParser& root)>;

// Returns true so that it can initialise a static in the group's file.
bool RegisterCommand(Setup setup);

// Thrown by a command: printed to stderr, exit status 1.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Prints a JSON value on stdout, one document per line.
void PrintJson(const nlohmann::json& value);

}  // namespace tobrixctl

#define TOBRIXCTL_CAT2(a, b) a##b
#define TOBRIXCTL_CAT(a, b) TOBRIXCTL_CAT2(a, b)
#define TOBRIXCTL_COMMAND(setupFunction) \
    static const bool TOBRIXCTL_CAT(tobrixctlRegistered_, __COUNTER__) = ::tobrixctl::RegisterCommand(setupFunction)
