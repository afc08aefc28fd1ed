#include <iostream>
#include <memory>

#include "Command.h"
#include "base/Text.h"
#include "core/Kestrum.h"

namespace {

void SetupCmdline(OptionParser& root) {
    auto& cmd = root.AddCommand("cmdline", "Print the application id the store takes from a command line");
    auto line = std::make_shared<std::string>();
    cmd.Add("TEXT", *line, "The command line as the store receives it (use -- before a text starting with -)")
        .Required();
    cmd.OnChosen([line] {
        // Plain text, not JSON: the id is exactly the text the rule leaves,
        // and an empty line means no id.
        std::cout << U8(AppIdFromCommandLine(U16(*line))) << std::endl;
    });
}

}  // namespace

TOBRIXCTL_COMMAND(SetupCmdline);
