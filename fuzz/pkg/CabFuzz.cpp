// A package's cabinet as the installer reads it (its _setup.xml has a
// fuzzer of its own, setup_xml_fuzz). Damaged or hostile cabinets are refused with a reason; nothing is ever
// written outside the folder the installer extracts into, whatever names
// the cabinet holds.
#include <iterator>
#include <set>

#include "FuzzSupport.h"
#include "pkg/CabArchive.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::ScratchDir dir("cab");
    const fs::path out = dir.path / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    auto cabFile = dir.Put("package.cab", data, size);

    std::string error;
    auto cab = pkg::CabArchive::Open(cabFile, &error);
    if (!cab) {
        fuzz::Check(!error.empty(), "a refused cabinet without a reason");
        return 0;
    }
    std::vector<std::u16string> names;
    std::set<std::u16string> seen;
    for (const auto& e : cab->Entries())
        if (seen.insert(e.name).second) names.push_back(e.name);
    auto extracted = cab->Extract(names, out, 1 << 20, &error);
    if (extracted) {
        for (const auto& [name, host] : *extracted)
            fuzz::Check(host.parent_path() == out, "a file extracted outside its folder");
    } else {
        fuzz::Check(!error.empty(), "a failed extraction without a reason");
    }
    // Only the extraction folder and the cabinet itself may exist.
    fuzz::Check(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()) == 2,
                "the cabinet wrote beside its extraction folder");
    return 0;
}
