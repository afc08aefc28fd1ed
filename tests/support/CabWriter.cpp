#include "support/CabWriter.h"

#include <stdexcept>

#include "formats/CabinetWriter.h"
#include "formats/SetupDocumentWriter.h"
#include "platform/files/Files.h"

namespace testing_cab {

void WriteCab(const std::filesystem::path& target, const std::vector<CabFile>& files, bool compress) {
    std::vector<formats::CabinetEntry> entries;
    for (const auto& f : files) entries.push_back({f.name, f.content});
    std::string bytes, error;
    if (!formats::WriteCabinet(entries, bytes, error, {compress}) || !platform::ReplaceHostFile(target, bytes, &error))
        throw std::runtime_error(error);
}

std::string SetupXml(const std::string& installName, const std::string& installDir,
                     const std::vector<std::pair<std::string, std::string>>& files, const std::string& extras,
                     const std::string& setupDll) {
    formats::SetupLayout layout;
    layout.installName = installName;
    layout.installDir = installDir;
    layout.setupDll = setupDll;
    for (const auto& [target, source] : files) layout.files.push_back({target, source});
    layout.extraXml = extras;
    std::string xml, error;
    if (!formats::WriteSetupDocument(layout, xml, error)) throw std::runtime_error(error);
    return xml;
}

}  // namespace testing_cab
