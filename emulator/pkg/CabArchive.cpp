#include "pkg/CabArchive.h"

#include <libgcab.h>

#include <set>

#include "base/Text.h"

namespace fs = std::filesystem;

namespace pkg {

struct CabArchive::Handle {
    GCabCabinet* cabinet = nullptr;
    ~Handle() {
        if (cabinet) g_object_unref(cabinet);
    }
};

namespace {

std::string TakeError(GError* e) {
    std::string msg = e ? e->message : "unknown error";
    if (e) g_error_free(e);
    return msg;
}

template <class F>
void ForEachFile(GCabCabinet* cabinet, F&& f) {
    GPtrArray* folders = gcab_cabinet_get_folders(cabinet);
    for (guint i = 0; folders && i < folders->len; ++i) {
        auto* folder = static_cast<GCabFolder*>(g_ptr_array_index(folders, i));
        GSList* files = gcab_folder_get_files(folder);
        for (GSList* l = files; l; l = l->next) f(static_cast<GCabFile*>(l->data));
        g_slist_free(files);
    }
}

struct ExtractState {
    std::map<std::u16string, std::u16string> wanted;  // lower-case name -> requested name
    std::map<std::u16string, fs::path> done;          // requested name -> host path
    fs::path folder;
    int counter = 0;
};

gboolean PickFile(GCabFile* file, gpointer data) {
    auto* state = static_cast<ExtractState*>(data);
    auto it = state->wanted.find(text::AsciiLower(text::Utf8ToUtf16(gcab_file_get_name(file))));
    if (it == state->wanted.end() || state->done.count(it->second)) return FALSE;
    // Our own name for it: the cabinet's name may hold "..", "/" or a drive.
    std::string safe = "entry" + std::to_string(state->counter++);
    gcab_file_set_extract_name(file, safe.c_str());
    state->done[it->second] = state->folder / safe;
    return TRUE;
}

}  // namespace

CabArchive::CabArchive(std::unique_ptr<Handle> h) : handle(std::move(h)) {
    ForEachFile(handle->cabinet, [this](GCabFile* f) {
        entries.push_back({text::Utf8ToUtf16(gcab_file_get_name(f)), gcab_file_get_size(f)});
    });
}

CabArchive::~CabArchive() = default;

std::unique_ptr<CabArchive> CabArchive::Open(const fs::path& file, std::string* error) {
    GFile* gfile = g_file_new_for_path(file.c_str());
    GError* err = nullptr;
    GFileInputStream* in = g_file_read(gfile, nullptr, &err);
    g_object_unref(gfile);
    if (!in) {
        if (error) *error = "cannot open " + file.string() + ": " + TakeError(err);
        return nullptr;
    }
    auto h = std::make_unique<Handle>();
    h->cabinet = gcab_cabinet_new();
    bool ok = gcab_cabinet_load(h->cabinet, G_INPUT_STREAM(in), nullptr, &err);
    g_object_unref(in);
    if (!ok) {
        if (error) *error = "not a readable cabinet: " + TakeError(err);
        return nullptr;
    }
    return std::unique_ptr<CabArchive>(new CabArchive(std::move(h)));
}

const CabArchive::Entry* CabArchive::Find(std::u16string_view name) const {
    for (const auto& e : entries)
        if (text::EqualsIgnoreCase(e.name, name)) return &e;
    return nullptr;
}

std::optional<std::map<std::u16string, fs::path>> CabArchive::Extract(const std::vector<std::u16string>& names,
                                                                     const fs::path& folder, uint64_t maxBytes,
                                                                     std::string* error) {
    ExtractState state;
    state.folder = folder;
    uint64_t total = 0;
    for (const auto& n : names) {
        const Entry* e = Find(n);
        if (!e) {
            if (error) *error = "the cabinet has no file \"" + text::Utf16ToUtf8(n) + "\"";
            return std::nullopt;
        }
        if (state.wanted.emplace(text::AsciiLower(n), n).second) total += e->size;
    }
    if (total > maxBytes) {
        if (error) *error = "the package's files are larger than the installer accepts";
        return std::nullopt;
    }
    GFile* target = g_file_new_for_path(folder.c_str());
    GError* err = nullptr;
    bool ok = gcab_cabinet_extract_simple(handle->cabinet, target, PickFile, &state, nullptr, &err);
    g_object_unref(target);
    if (!ok) {
        if (error) *error = "damaged cabinet data: " + TakeError(err);
        return std::nullopt;
    }
    std::map<std::u16string, fs::path> out;
    for (const auto& [lower, requested] : state.wanted) {
        auto it = state.done.find(requested);
        std::error_code ec;
        if (it == state.done.end() || !fs::is_regular_file(it->second, ec)) {
            if (error) *error = "\"" + text::Utf16ToUtf8(requested) + "\" was not extracted";
            return std::nullopt;
        }
        out[requested] = it->second;
    }
    // Several requested spellings of one file share its extracted copy.
    for (const auto& n : names) out[n] = state.done[state.wanted[text::AsciiLower(n)]];
    return out;
}

}  // namespace pkg
