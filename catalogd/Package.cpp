#include "Package.h"

#include <libgcab.h>
#include <pugixml.hpp>
#include <sodium.h>

#include <sstream>
#include <stdexcept>

namespace catalogd {
namespace {

pugi::xml_node Characteristic(pugi::xml_node parent, const std::string& type, bool translate = false) {
    pugi::xml_node node = parent.append_child("characteristic");
    node.append_attribute("type") = type.c_str();
    if (translate) node.append_attribute("translation") = "install";
    return node;
}

pugi::xml_node Parm(pugi::xml_node parent, const char* name, const std::string& value) {
    pugi::xml_node node = parent.append_child("parm");
    node.append_attribute("name") = name;
    node.append_attribute("value") = value.c_str();
    return node;
}

void AddFile(GCabFolder* folder, const std::string& name, const std::string& bytes) {
    GBytes* data = g_bytes_new(bytes.data(), bytes.size());
    GCabFile* file = gcab_file_new_with_bytes(name.c_str(), data);
    g_bytes_unref(data);
    GDateTime* when = g_date_time_new_utc(2010, 3, 1, 12, 0, 0);
    gcab_file_set_date_time(file, when);
    g_date_time_unref(when);
    gcab_file_set_attributes(file, GCAB_FILE_ATTRIBUTE_ARCH);
    gcab_folder_add_file(folder, file, FALSE, nullptr, nullptr);
    g_object_unref(file);
}

}  // namespace

std::string BuildSetupXml(const PackageLayout& layout) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("wap-provisioningdoc");

    pugi::xml_node install = Characteristic(root, "Install");
    Parm(install, "InstallPhase", "install");
    Parm(install, "AppName", layout.installName);
    Parm(install, "InstallDir", layout.installDir).append_attribute("translation") = "install";

    pugi::xml_node ops = Characteristic(root, "FileOperation");
    pugi::xml_node dir = Characteristic(ops, "%InstallDir%", true);
    Characteristic(dir, "MakeDir");
    for (const auto& f : layout.files) {
        pugi::xml_node extract = Characteristic(Characteristic(dir, f.target, true), "Extract");
        Parm(extract, "Source", f.source);
    }
    if (!layout.shortcutName.empty()) {
        pugi::xml_node menu = Characteristic(ops, "%CE11%", true);
        Characteristic(menu, "MakeDir");
        pugi::xml_node shortcut = Characteristic(Characteristic(menu, layout.shortcutName, true), "Shortcut");
        Parm(shortcut, "Source", "%InstallDir%\\" + layout.shortcutTarget).append_attribute("translation") = "install";
    }
    if (!layout.registryKey.empty()) {
        pugi::xml_node key = Characteristic(Characteristic(root, "Registry"), layout.registryKey);
        for (const auto& v : layout.registryValues)
            Parm(key, v.name.c_str(), v.value).append_attribute("datatype") = v.integer ? "integer" : "string";
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

std::string BuildCabinet(const PackageLayout& layout) {
    GCabCabinet* cab = gcab_cabinet_new();
    GCabFolder* folder = gcab_folder_new(GCAB_COMPRESSION_MSZIP);
    AddFile(folder, "_setup.xml", BuildSetupXml(layout));
    for (const auto& f : layout.files) AddFile(folder, f.source, f.bytes);
    GError* error = nullptr;
    gcab_cabinet_add_folder(cab, folder, &error);
    g_object_unref(folder);
    GOutputStream* out = g_memory_output_stream_new_resizable();
    bool ok = !error && gcab_cabinet_write_simple(cab, out, nullptr, nullptr, nullptr, &error);
    std::string bytes;
    if (ok && g_output_stream_close(out, nullptr, &error)) {
        auto* mem = G_MEMORY_OUTPUT_STREAM(out);
        bytes.assign(static_cast<const char*>(g_memory_output_stream_get_data(mem)),
                     g_memory_output_stream_get_data_size(mem));
    }
    std::string message = error ? error->message : "";
    if (error) g_error_free(error);
    g_object_unref(out);
    g_object_unref(cab);
    if (bytes.empty()) throw std::runtime_error("cannot build the package of " + layout.installName + ": " + message);
    return bytes;
}

std::string PackageSha256(std::string_view bytes) {
    if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    char hex[2 * crypto_hash_sha256_BYTES + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

}  // namespace catalogd
