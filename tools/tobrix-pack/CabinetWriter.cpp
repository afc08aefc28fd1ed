#include "CabinetWriter.h"

#include <libgcab.h>

namespace pack {
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

bool WriteTo(GCabCabinet* cabinet, const std::filesystem::path& file, std::string& error) {
    Ref<GFile> out(g_file_new_for_path(file.c_str()));
    GError* err = nullptr;
    Ref<GFileOutputStream> stream(g_file_replace(out.p, nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, &err));
    if (!stream.p) {
        error = "cannot create " + file.string() + ": " + Take(err);
        return false;
    }
    bool ok = gcab_cabinet_write_simple(cabinet, G_OUTPUT_STREAM(stream.p), nullptr, nullptr, nullptr, &err);
    if (!ok) error = "cannot write " + file.string() + ": " + Take(err);
    if (!g_output_stream_close(G_OUTPUT_STREAM(stream.p), nullptr, &err) && ok) {
        error = "cannot finish " + file.string() + ": " + Take(err);
        ok = false;
    }
    return ok;
}

}  // namespace

bool WriteCabinet(const std::filesystem::path& target, const std::vector<CabinetEntry>& entries, std::string& error) {
    Ref<GCabCabinet> cabinet(gcab_cabinet_new());
    Ref<GCabFolder> folder(gcab_folder_new(GCAB_COMPRESSION_MSZIP));
    if (!AddEntries(folder.p, entries, error)) return false;
    GError* err = nullptr;
    if (!gcab_cabinet_add_folder(cabinet.p, folder.p, &err)) {
        error = "cannot build the cabinet: " + Take(err);
        return false;
    }
    std::filesystem::path partial = target;
    partial += ".partial";
    std::error_code ec;
    if (!WriteTo(cabinet.p, partial, error)) {
        std::filesystem::remove(partial, ec);
        return false;
    }
    std::filesystem::rename(partial, target, ec);
    if (ec) {
        error = "cannot replace " + target.string() + ": " + ec.message();
        std::filesystem::remove(partial, ec);
        return false;
    }
    return true;
}

}  // namespace pack
