#include "StorePackage.h"

#include <algorithm>
#include <cctype>

#include "base/Text.h"
#include "formats/PackageStatement.h"
#include "formats/SetupDocumentWriter.h"
#include "platform/files/Files.h"
#include "platform/imaging/Bitmap.h"

namespace fs = std::filesystem;

namespace pack {
namespace {

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// Names the device's installer takes as one file of the program folder.
bool PlainName(const std::string& name) {
    if (name.empty() || name.size() > 200 || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == ' ';
    });
}

}  // namespace

bool StorePackage::Add(std::string name, CabinetContent content, std::string& error) {
    for (const auto& e : payload)
        if (text::EqualsIgnoreCase(e.name, name)) {
            error = name + " is given twice";
            return false;
        }
    payload.push_back({std::move(name), std::move(content)});
    return true;
}

bool StorePackage::AddSkin(const fs::path& folder, std::string& error) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return true;  // a build without skin images yet
    std::vector<fs::path> images;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file() && text::EqualsIgnoreCase(entry.path().extension().string(), ".png"))
            images.push_back(entry.path());
    if (ec) {
        error = "cannot list " + folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(images.begin(), images.end());  // the same data gives the same package
    for (const auto& image : images) {
        std::string name = image.filename().string();
        if (!PlainName(name)) {
            error = "the skin image name \"" + name + "\" cannot be installed (letters, digits, space, _ - . only)";
            return false;
        }
        if (!Add(name, image, error)) return false;
    }
    return true;
}

bool StorePackage::AddTrustedKeys(const std::vector<fs::path>& files, std::string& error) {
    trustedKeys.clear();
    if (files.empty()) {
        error = "no trusted key: a store that trusts no catalog key could never install anything";
        return false;
    }
    for (const auto& file : files) {
        const auto key = formats::ReadPublicKeyFile(file);
        if (!key) {
            error = file.string() + " is not a public key made by \"catalogd keygen\"";
            return false;
        }
        trustedKeys.emplace_back(formats::KeyIdOf(*key), formats::PublicKeyText(*key).substr(0, 64));
    }
    return true;
}

bool StorePackage::Collect(const StorePackageInputs& inputs, std::string& error) {
    payload.clear();
    for (const auto* required : {&inputs.program, &inputs.setupLibrary, &inputs.localization})
        if (!IsFile(*required)) {
            error = "missing input file: " + required->string();
            return false;
        }
    if (inputs.icon && !IsFile(*inputs.icon)) {
        error = "missing icon: " + inputs.icon->string();
        return false;
    }
    setupLibrary = inputs.setupLibrary;
    if (!AddTrustedKeys(inputs.trustedKeys, error)) return false;
    if (!Add("Tobrix.exe", inputs.program, error) || !Add("localization.xml", inputs.localization, error) ||
        !AddSkin(inputs.skinFolder, error))
        return false;
    bool skinHasIcon = std::any_of(payload.begin(), payload.end(),
                                   [](const CabinetEntry& e) { return text::EqualsIgnoreCase(e.name, "icon.png"); });
    if (inputs.icon) return Add("icon.png", *inputs.icon, error);
    return skinHasIcon || Add("icon.png", DrawnIcon(), error);
}

std::string StorePackage::SetupDocument() const {
    formats::SetupLayout layout;
    layout.installName = kInstallName;
    layout.installDir = kInstallDir;
    layout.setupDll = kSetupLibraryName;
    for (const auto& file : payload) layout.files.push_back({file.name, file.name});
    formats::SetupLayout::Key keys{kTrustedKeysKey, {}};
    for (const auto& [id, key] : trustedKeys) keys.values.push_back({id, key, false});
    layout.registry.push_back(std::move(keys));
    std::string xml, error;
    formats::WriteSetupDocument(layout, xml, error);  // cannot fail: the layout carries no extra XML
    return xml;
}

bool StorePackage::Write(const fs::path& cabinet, std::string& error) const {
    std::vector<CabinetEntry> entries{{"_setup.xml", SetupDocument()}};
    entries.insert(entries.end(), payload.begin(), payload.end());
    entries.push_back({kSetupLibraryName, setupLibrary});
    std::string bytes;
    return formats::WriteCabinet(entries, bytes, error) && platform::ReplaceHostFile(cabinet, bytes, &error);
}

std::string DrawnIcon() {
    constexpr int kSide = 32;
    platform::imaging::Bitmap icon;
    icon.width = icon.height = kSide;
    icon.hasAlpha = true;
    icon.rgba.assign(kSide * kSide * 4, 0);
    // A rounded tile in the store's blue with a light "T" on it.
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            int dx = std::max({3 - x, x - (kSide - 4), 0}), dy = std::max({3 - y, y - (kSide - 4), 0});
            if (dx * dx + dy * dy > 9) continue;
            bool glyph = (y >= 7 && y < 11 && x >= 7 && x < 25) || (y >= 11 && y < 26 && x >= 14 && x < 18);
            uint8_t* px = &icon.rgba[(y * kSide + x) * 4];
            px[0] = glyph ? 0xF4 : 0x1F;
            px[1] = glyph ? 0xF4 : 0x5F;
            px[2] = glyph ? 0xF4 : 0xB4;
            px[3] = 0xFF;
        }
    }
    std::vector<uint8_t> png;
    platform::imaging::EncodePng(icon, png);
    return std::string(png.begin(), png.end());
}

}  // namespace pack
