#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

// The one cabinet writer of the tree (libgcab): catalogd's sample and
// published packages, the store's own package and the tests' packages,
// hostile ones included, all come out of it.
namespace formats {

// A host file to read (streamed, since the store's program is the largest
// part of its package), or the bytes themselves.
using CabinetContent = std::variant<std::filesystem::path, std::string>;

struct CabinetEntry {
    std::string name;  // the file's name inside the cabinet, written as given
    CabinetContent content;
};

struct CabinetOptions {
    bool compress = true;  // MSZIP; stored otherwise
};

// Every entry gets one fixed date, so that the same inputs always give the
// same bytes. False with `error` when an entry cannot be read or libgcab
// refuses it or the cabinet; `bytes` stays empty then. A package goes to its
// file through the platform's one safe replacement (ReplaceHostFile), so
// that a failed build or a crash never leaves half a package there.
bool WriteCabinet(const std::vector<CabinetEntry>& entries, std::string& bytes, std::string& error,
                  const CabinetOptions& options = {});

}  // namespace formats
