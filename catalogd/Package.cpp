#include "Package.h"

#include <stdexcept>

#include "formats/CabinetWriter.h"
#include "formats/SetupDocumentWriter.h"

namespace catalogd {
namespace {

formats::SetupLayout SetupOf(const PackageLayout& layout) {
    formats::SetupLayout setup;
    setup.installName = layout.installName;
    setup.installDir = layout.installDir;
    for (const auto& f : layout.files) setup.files.push_back({f.target, f.source});
    if (!layout.shortcutName.empty()) setup.shortcuts.push_back({layout.shortcutName, layout.shortcutTarget});
    if (!layout.registryKey.empty()) {
        formats::SetupLayout::Key key{layout.registryKey, {}};
        for (const auto& v : layout.registryValues) key.values.push_back({v.name, v.value, v.integer});
        setup.registry.push_back(std::move(key));
    }
    return setup;
}

}  // namespace

std::string BuildSetupXml(const PackageLayout& layout) {
    std::string xml, error;
    if (!formats::WriteSetupDocument(SetupOf(layout), xml, error))
        throw std::runtime_error("cannot describe the package of " + layout.installName + ": " + error);
    return xml;
}

std::string BuildCabinet(const PackageLayout& layout) {
    std::vector<formats::CabinetEntry> entries{{"_setup.xml", BuildSetupXml(layout)}};
    for (const auto& f : layout.files) entries.push_back({f.source, f.bytes});
    std::string bytes, error;
    if (!formats::WriteCabinet(entries, bytes, error))
        throw std::runtime_error("cannot build the package of " + layout.installName + ": " + error);
    return bytes;
}

}  // namespace catalogd
