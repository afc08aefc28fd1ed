#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A cabinet file opened for reading (libgcab). File names inside a cabinet
// come from whoever built it, so nothing is ever extracted under its own
// name: callers ask for the files they want and get host paths chosen here.
namespace pkg {

class CabArchive {
public:
    static std::unique_ptr<CabArchive> Open(const std::filesystem::path& file, std::string* error);
    ~CabArchive();
    CabArchive(const CabArchive&) = delete;
    CabArchive& operator=(const CabArchive&) = delete;

    struct Entry {
        std::u16string name;
        uint32_t size = 0;
    };
    const std::vector<Entry>& Entries() const { return entries; }
    // The entry whose name equals `name` ignoring case (the first of equals).
    const Entry* Find(std::u16string_view name) const;

    // Extracts the named files into `folder` (which must exist). Fails when a
    // name is not in the cabinet, when together they exceed `maxBytes`, or
    // when the cabinet's data is damaged. The result maps each requested name
    // to its extracted file.
    std::optional<std::map<std::u16string, std::filesystem::path>> Extract(
        const std::vector<std::u16string>& names, const std::filesystem::path& folder, uint64_t maxBytes,
        std::string* error);

private:
    struct Handle;
    explicit CabArchive(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle;
    std::vector<Entry> entries;
};

}  // namespace pkg
