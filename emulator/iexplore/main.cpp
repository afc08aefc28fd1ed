// The emulated handheld's web browser:
//   iexplore <link>
// Pages are not shown here: every link is recorded in the device's launch
// log, as the device's other programs without a host counterpart are, and a
// link of a protocol the device registered ("tobrix:") goes on to the
// program that protocol names, as the browser of the device hands it on.
// The device root comes from TOBRIX_DEVICE_ROOT; the link from the device's
// command line. Exit status 0 when the link was taken, 1 when it could not
// be, 2 on a usage or device error.
#include <cstdio>
#include <string>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "platform/shell/Shell.h"

namespace {

constexpr std::u16string_view kProgram = u"\\Windows\\iexplore.exe";

// The link as the device passed it, without surrounding blanks or quotes.
std::u16string LinkOf(int argc, char** argv) {
    std::u16string line;
    if (auto device = platform::DeviceCommandLine()) {
        line = *device;
    } else {
        for (int i = 1; i < argc; ++i) line += (i > 1 ? u" " : u"") + U16(argv[i]);
    }
    const auto first = line.find_first_not_of(u" \t\r\n");
    if (first == std::u16string::npos) return {};
    line = line.substr(first, line.find_last_not_of(u" \t\r\n") - first + 1);
    if (line.size() >= 2 && line.front() == u'"' && line.back() == u'"') line = line.substr(1, line.size() - 2);
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (!platform::UseDeviceFromEnvironment(&error)) {
        std::fprintf(stderr, "iexplore: %s\n", error.empty() ? "no device (TOBRIX_DEVICE_ROOT)" : error.c_str());
        return 2;
    }
    const std::u16string link = LinkOf(argc, argv);
    if (link.empty()) {
        std::fprintf(stderr, "usage: iexplore <link>\n");
        return 2;
    }
    if (!platform::AppendLaunchLog(kProgram, link)) {
        std::fprintf(stderr, "iexplore: cannot write the launch log\n");
        return 1;
    }
    // A protocol handed back to the browser itself would start it for ever.
    auto protocol = platform::UrlProtocolCommand(link);
    if (!protocol || text::EqualsIgnoreCase(protocol->program, kProgram)) return 0;
    return platform::ShellExecute(u"open", link) ? 0 : 1;
}
