#include "CabWriter.h"

#include <libgcab.h>

#include <stdexcept>

namespace testing_cab {

void WriteCab(const std::filesystem::path& target, const std::vector<CabFile>& files, bool compress) {
    GCabCabinet* cabinet = gcab_cabinet_new();
    GCabFolder* folder = gcab_folder_new(compress ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE);
    for (const auto& f : files) {
        GBytes* bytes = g_bytes_new(f.content.data(), f.content.size());
        GCabFile* file = gcab_file_new_with_bytes(f.name.c_str(), bytes);
        g_bytes_unref(bytes);
        GError* err = nullptr;
        if (!gcab_folder_add_file(folder, file, FALSE, nullptr, &err)) {
            std::string msg = err ? err->message : "?";
            if (err) g_error_free(err);
            g_object_unref(file);
            throw std::runtime_error("cannot add " + f.name + ": " + msg);
        }
        g_object_unref(file);
    }
    GError* err = nullptr;
    gcab_cabinet_add_folder(cabinet, folder, &err);
    g_object_unref(folder);
    GFile* out = g_file_new_for_path(target.c_str());
    GFileOutputStream* stream = g_file_replace(out, nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, &err);
    g_object_unref(out);
    bool ok = stream && gcab_cabinet_write_simple(cabinet, G_OUTPUT_STREAM(stream), nullptr, nullptr, nullptr, &err);
    if (stream) {
        g_output_stream_close(G_OUTPUT_STREAM(stream), nullptr, nullptr);
        g_object_unref(stream);
    }
    g_object_unref(cabinet);
    if (!ok) {
        std::string msg = err ? err->message : "?";
        if (err) g_error_free(err);
        throw std::runtime_error("cannot write " + target.string() + ": " + msg);
    }
}

std::string SetupXml(const std::string& installName, const std::string& installDir,
                     const std::vector<std::pair<std::string, std::string>>& files, const std::string& extras,
                     const std::string& setupDll) {
    std::string xml = "<wap-provisioningdoc><characteristic type=\"Install\">"
                      "<parm name=\"InstallPhase\" value=\"install\"/>"
                      "<parm name=\"AppName\" value=\"" + installName + "\"/>"
                      "<parm name=\"InstallDir\" value=\"" + installDir + "\" translation=\"install\"/>";
    if (!setupDll.empty()) xml += "<parm name=\"SetupDll\" value=\"" + setupDll + "\"/>";
    xml += "</characteristic><characteristic type=\"FileOperation\">"
           "<characteristic type=\"%InstallDir%\" translation=\"install\"><characteristic type=\"MakeDir\"/>";
    for (const auto& [target, source] : files)
        xml += "<characteristic type=\"" + target + "\" translation=\"install\"><characteristic type=\"Extract\">"
               "<parm name=\"Source\" value=\"" + source + "\"/></characteristic></characteristic>";
    xml += "</characteristic></characteristic>" + extras + "</wap-provisioningdoc>";
    return xml;
}

}  // namespace testing_cab
