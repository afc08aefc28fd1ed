#include "PackageCheck.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "Publish.h"
#include "base/Text.h"
#include "pkg/CabArchive.h"
#include "pkg/PackagePolicy.h"
#include "pkg/SetupDocument.h"

namespace catalogd {
namespace {

namespace fs = std::filesystem;

// Where the setup document is unpacked to be read; gone afterwards.
struct WorkFolder {
    fs::path path;
    WorkFolder() {
        std::string pattern = (fs::temp_directory_path() / "catalogd-check-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw PublishError("cannot make a folder to read the package in");
        path = pattern;
    }
    ~WorkFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

}  // namespace

void CheckPublishedCabinet(const std::string& cabinet, const std::string& sysid) {
    // The very bytes that will be served are checked, not a file that may
    // change in between.
    WorkFolder work;
    const fs::path file = work.path / "package.cab";
    std::ofstream(file, std::ios::binary).write(cabinet.data(), static_cast<std::streamsize>(cabinet.size()));
    // A cabinet or document the device cannot read is left to the device,
    // which refuses it whole before writing anything: publish judges what a
    // device would act on.
    std::string error;
    auto cab = pkg::CabArchive::Open(file, &error);
    std::optional<pkg::SetupDocument> doc;
    if (cab) doc = pkg::ReadSetupDocument(*cab, work.path, &error);
    if (!doc) return;
    const std::string installName = text::Utf16ToUtf8(doc->installName);
    if (installName != sysid)
        throw PublishError("the package installs as \"" + installName + "\", not as the application's install name \"" +
                           sysid + "\"");
    if (auto problem = pkg::StorePlacesProblem(*doc)) throw PublishError("the package is refused: " + *problem);
}

}  // namespace catalogd
