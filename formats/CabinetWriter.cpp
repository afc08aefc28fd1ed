#include "formats/CabinetWriter.h"

#include <libgcab.h>

namespace formats {
namespace {

// Owns one GObject reference.
template <typename T>
struct Ref {
    T* p = nullptr;
    explicit Ref(T* p) : p(p) {}
    ~Ref() {
        if (p) g_object_unref(p);
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
};

std::string Take(GError*& error) {
    std::string message = error ? error->message : "unknown error";
    if (error) g_error_free(error);
    error = nullptr;
    return message;
}

// Null when libgcab cannot make the file (a source it cannot open).
GCabFile* NewFile(const CabinetEntry& entry) {
    if (const auto* path = std::get_if<std::filesystem::path>(&entry.content)) {
        Ref<GFile> source(g_file_new_for_path(path->c_str()));
        return gcab_file_new_with_file(entry.name.c_str(), source.p);
    }
    const auto& bytes = std::get<std::string>(entry.content);
    GBytes* data = g_bytes_new(bytes.data(), bytes.size());
    GCabFile* file = gcab_file_new_with_bytes(entry.name.c_str(), data);
    g_bytes_unref(data);
    return file;
}

bool AddEntries(GCabFolder* folder, const std::vector<CabinetEntry>& entries, std::string& error) {
    GDateTime* when = g_date_time_new_utc(2010, 3, 1, 12, 0, 0);
    bool ok = true;
    for (const auto& entry : entries) {
        Ref<GCabFile> file(NewFile(entry));
        if (!file.p) {
            error = "cannot read " + entry.name;
            ok = false;
            break;
        }
        gcab_file_set_date_time(file.p, when);
        gcab_file_set_attributes(file.p, GCAB_FILE_ATTRIBUTE_ARCH);
        GError* err = nullptr;
        if (!gcab_folder_add_file(folder, file.p, FALSE, nullptr, &err)) {
            error = "cannot add " + entry.name + ": " + Take(err);
            ok = false;
            break;
        }
    }
    g_date_time_unref(when);
    return ok;
}

bool Build(GCabCabinet* cabinet, const std::vector<CabinetEntry>& entries, const CabinetOptions& options,
           std::string& error) {
    Ref<GCabFolder> folder(gcab_folder_new(options.compress ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE));
    if (!AddEntries(folder.p, entries, error)) return false;
    GError* err = nullptr;
    if (!gcab_cabinet_add_folder(cabinet, folder.p, &err)) {
        error = "cannot build the cabinet: " + Take(err);
        return false;
    }
    return true;
}

bool WriteTo(GCabCabinet* cabinet, GOutputStream* stream, const std::string& what, std::string& error) {
    GError* err = nullptr;
    bool ok = gcab_cabinet_write_simple(cabinet, stream, nullptr, nullptr, nullptr, &err);
    if (!ok) error = "cannot write " + what + ": " + Take(err);
    if (!g_output_stream_close(stream, nullptr, &err) && ok) {
        error = "cannot finish " + what + ": " + Take(err);
        ok = false;
    }
    if (err) g_error_free(err);
    return ok;
}

}  // namespace

bool WriteCabinet(const std::vector<CabinetEntry>& entries, std::string& bytes, std::string& error,
                  const CabinetOptions& options) {
    bytes.clear();
    Ref<GCabCabinet> cabinet(gcab_cabinet_new());
    if (!Build(cabinet.p, entries, options, error)) return false;
    Ref<GOutputStream> out(g_memory_output_stream_new_resizable());
    if (!WriteTo(cabinet.p, out.p, "the cabinet", error)) return false;
    auto* memory = G_MEMORY_OUTPUT_STREAM(out.p);
    bytes.assign(static_cast<const char*>(g_memory_output_stream_get_data(memory)),
                 g_memory_output_stream_get_data_size(memory));
    return true;
}

}  // namespace formats
