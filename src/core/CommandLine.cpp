#include "core/Kestrum.h"

// A start through the "tobrix" link passes the link as one quoted argument:
// ten characters of scheme and quoting before the id, two after it.
std::u16string AppIdFromCommandLine(std::u16string_view commandLine) {
    if (commandLine.size() < 10) return {};
    std::u16string_view rest = commandLine.substr(10);
    if (rest.size() >= 2) rest.remove_suffix(2);
    return std::u16string(rest);
}
