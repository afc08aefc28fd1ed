#include "pkg/Manifest.h"

#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "pkg/PackageNames.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace pkg {
namespace {

std::string U8(std::u16string_view s) { return text::Utf16ToUtf8(s); }
std::u16string U16(const json& j) { return text::Utf8ToUtf16(j.get<std::string>()); }

std::optional<fs::path> ManifestFile(std::u16string_view installName) {
    if (!platform::HasCurrentDevice()) return std::nullopt;
    return platform::CurrentDevice().HostPath(JoinDevicePath(RecordFolder(installName), kManifestName));
}

}  // namespace

std::string Manifest::ToJson() const {
    json j;
    j["installName"] = U8(installName);
    j["installDir"] = U8(installDir);
    j["setupExtension"] = setupExtension;
    j["files"] = json::array();
    for (const auto& f : files) j["files"].push_back(U8(f));
    j["folders"] = json::array();
    for (const auto& f : folders) j["folders"].push_back(U8(f));
    j["keys"] = json::array();
    for (const auto& k : keys) j["keys"].push_back({{"hive", U8(platform::HiveName(k.hive))}, {"path", U8(k.path)}});
    j["values"] = json::array();
    for (const auto& v : values) {
        json value = {{"hive", U8(platform::HiveName(v.hive))}, {"key", U8(v.key)}, {"name", U8(v.name)}};
        if (v.previous && v.previous->type == platform::RegistryType::Dword)
            value["previous"] = {{"dword", v.previous->dword}};
        else if (v.previous)
            value["previous"] = {{"string", U8(v.previous->text)}};
        j["values"].push_back(value);
    }
    if (createdValues) {
        j["createdValues"] = json::array();
        for (const auto& v : *createdValues)
            j["createdValues"].push_back({{"hive", U8(platform::HiveName(v.hive))}, {"key", U8(v.key)}, {"name", U8(v.name)}});
    }
    if (installer != 0) {
        j["installer"] = installer;
        j["replaced"] = json::array();
        for (const auto& r : replaced) j["replaced"].push_back({{"path", U8(r.path)}, {"keptAt", U8(r.keptAt)}});
    }
    return j.dump(2);
}

std::optional<Manifest> Manifest::FromJson(std::string_view text) {
    json j = json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::nullopt;
    auto hive = [](const json& h) {
        return U16(h) == u"HKCR" ? platform::Hive::ClassesRoot : platform::Hive::LocalMachine;
    };
    try {
        Manifest m;
        m.installName = U16(j.at("installName"));
        m.installDir = U16(j.at("installDir"));
        m.setupExtension = j.value("setupExtension", false);
        for (const auto& f : j.at("files")) m.files.push_back(U16(f));
        for (const auto& f : j.at("folders")) m.folders.push_back(U16(f));
        for (const auto& k : j.at("keys")) m.keys.push_back({hive(k.at("hive")), U16(k.at("path"))});
        for (const auto& v : j.at("values")) {
            ValueRef value{hive(v.at("hive")), U16(v.at("key")), U16(v.at("name")), std::nullopt};
            if (auto p = v.find("previous"); p != v.end() && p->contains("dword"))
                value.previous = platform::RegistryValue::Dword(p->at("dword").get<uint32_t>());
            else if (p != v.end())
                value.previous = platform::RegistryValue::String(U16(p->at("string")));
            m.values.push_back(std::move(value));
        }
        if (auto c = j.find("createdValues"); c != j.end()) {
            for (const auto& v : *c) m.createdValues->push_back({hive(v.at("hive")), U16(v.at("key")), U16(v.at("name")), std::nullopt});
        } else {
            m.createdValues.reset();
        }
        m.installer = j.value("installer", int64_t{0});
        if (auto r = j.find("replaced"); r != j.end())
            for (const auto& f : *r) m.replaced.push_back({U16(f.at("path")), U16(f.at("keptAt"))});
        return m;
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

std::optional<Manifest> LoadManifest(std::u16string_view installName) {
    auto file = ManifestFile(installName);
    if (!file) return std::nullopt;
    std::ifstream in(*file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content(std::istreambuf_iterator<char>(in), {});
    auto m = Manifest::FromJson(content);
    // A manifest copied over from another package must not steer this removal.
    if (m && !text::EqualsIgnoreCase(m->installName, installName)) return std::nullopt;
    return m;
}

bool SaveManifest(const Manifest& manifest, std::string* error) {
    auto file = ManifestFile(manifest.installName);
    if (!file) {
        if (error) *error = "no record folder for the package";
        return false;
    }
    // The record is what a later removal trusts: a torn one would strand
    // the package, so it is replaced whole.
    return platform::ReplaceHostFile(*file, manifest.ToJson(), error);
}

}  // namespace pkg
