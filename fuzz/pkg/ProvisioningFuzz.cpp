// The provisioning document of a removal, on a device with no packages:
// any document is refused or answered with a status per package, and no
// name in it removes anything of the device.
#include <pugixml.hpp>

#include "FuzzSupport.h"
#include "platform/device/DeviceRoot.h"
#include "pkg/Provisioning.h"

namespace fs = std::filesystem;

namespace {

// Everything below `dir` except the registry's own files, which any lookup
// may create.
size_t CountEntries(const fs::path& dir) {
    size_t n = 0;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it)
        n += !it->path().filename().string().starts_with("registry.db");
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::ScratchDir dir("provision");
    static const size_t before = [] {
        fs::create_directories(dir.path / "root" / "Windows");
        fs::create_directories(dir.path / "root" / "Program Files" / "Keep");
        std::ofstream(dir.path / "root" / "Program Files" / "Keep" / "keep.txt") << "keep";
        std::ofstream(dir.path / "outside.txt") << "keep";
        platform::SetCurrentDevice(platform::DeviceRoot(dir.path / "root"));
        return CountEntries(dir.path);
    }();
    auto outcome = pkg::ProcessProvisioningDocument(std::string_view(reinterpret_cast<const char*>(data), size));
    if (outcome.status == pkg::ProvisionStatus::BadDocument) {
        fuzz::Check(!outcome.message.empty(), "a refused document without a reason");
    } else {
        pugi::xml_document result;
        fuzz::Check(bool(result.load_string(outcome.resultDocument.c_str())) || outcome.resultDocument.empty(),
                    "the result document does not parse");
    }
    fuzz::Check(CountEntries(dir.path) == before, "a removal on an empty device changed its files");
    return 0;
}
