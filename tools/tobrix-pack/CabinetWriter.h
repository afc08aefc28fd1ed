#pragma once
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

// Writes a cabinet file (libgcab, MSZIP). Payload files are streamed from disk,
// since the store's program is the largest part of its package.
namespace pack {

// A host file to read, or the bytes themselves.
using CabinetContent = std::variant<std::filesystem::path, std::string>;

struct CabinetEntry {
    std::string name;  // the file's name inside the cabinet
    CabinetContent content;
};

// Every entry gets one fixed date, so that the same inputs always give the
// same cabinet. The file is written next to `target` and renamed over it: a
// failed build leaves no half-written package behind. False with `error`.
bool WriteCabinet(const std::filesystem::path& target, const std::vector<CabinetEntry>& entries, std::string& error);

}  // namespace pack
