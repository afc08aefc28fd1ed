// The emulated handheld's provisioning-document processor: reads a document on
// standard input, processes it against the device of TOBRIX_DEVICE_ROOT and
// writes the result document on standard output.
// Exit status: 0 processed, 1 a request failed, 2 the document is malformed.
#include <iostream>
#include <iterator>
#include <string>

#include "pkg/Provisioning.h"
#include "platform/device/DeviceRoot.h"

namespace {

constexpr const char* kUsage =
    "usage: provision [--flags N] < document.xml\n"
    "Processes a provisioning document against the device of TOBRIX_DEVICE_ROOT\n"
    "and writes the result document on standard output.\n"
    "Exit status: 0 processed, 1 a request failed, 2 the document is malformed.\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--flags" && i + 1 < argc) {
            ++i;  // 1 = process; the emulated device has no query-only mode worth keeping apart
        } else {
            std::cerr << "provision: unexpected argument " << arg << "\n" << kUsage;
            return 2;
        }
    }
    std::string error;
    if (!platform::UseDeviceFromEnvironment(&error)) {
        std::cerr << "provision: " << error << "\n";
        return 1;
    }
    std::string document(std::istreambuf_iterator<char>(std::cin), {});
    auto outcome = pkg::ProcessProvisioningDocument(
        document, [](const std::string& what) { std::cerr << "provision: " << what << "\n"; });
    std::cout << outcome.resultDocument;
    if (!outcome.message.empty()) std::cerr << "provision: " << outcome.message << "\n";
    return static_cast<int>(outcome.status);
}
