#include <iostream>
#include <memory>

#include "Command.h"
#include "base/Text.h"
#include "core/Kestrum.h"

namespace {

void SetupCmdline(CLI::App& root) {
    auto* cmd = root.add_subcommand("cmdline", "Print the application id the store takes from a command line");
    auto line = std::make_shared<std::string>();
    cmd->add_option("TEXT", *line, "The command line as the store receives it (use -- before a text starting with -)")
        ->required();
    cmd->callback([line] {
        // Plain text, not JSON: the id is exactly the text the rule leaves,
        // and an empty line means no id.
        std::cout << U8(AppIdFromCommandLine(U16(*line))) << std::endl;
    });
}

}  // namespace

TOBRIXCTL_COMMAND(SetupCmdline);
