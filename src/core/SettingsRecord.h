#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/DeviceProfile.h"

// The contents of settings.dat: one fixed little-endian record whose texts are
// UTF-16LE, zero-terminated and zero-filled within their fields. Kestrum and
// tobrixctl both go through this, so the byte layout lives in one place.
struct SettingsRecord {
    static constexpr size_t kSize = 864;
    // Longest text each field holds, in UTF-16 code units (one unit of every
    // field is reserved for the terminating zero).
    static constexpr size_t kLanguageMax = 9;
    static constexpr size_t kOsverMax = 9;
    static constexpr size_t kLongTextMax = 99;
    // Login and password are XORed with this so that they are not readable
    // in a plain dump of the file. Its partner code unit is a Unicode
    // noncharacter, so no real text turns into a premature terminator.
    static constexpr char16_t kScrambleKey = 0xFDD9;

    using Bytes = std::array<uint8_t, kSize>;

    std::u16string language;
    DeviceProfile profile;
    std::u16string login;
    std::u16string password;
    std::u16string sortOrder = u"downloads";
    std::u16string priceFilter;
    uint8_t keepPackagesOnCard = 0;

    // Builds the record. A text longer than its field is cut to the field
    // (never in the middle of a surrogate pair); the names of the fields that
    // were cut are appended to `truncated` when given.
    Bytes Encode(std::vector<std::string>* truncated = nullptr) const;
    // Nullopt unless `bytes` holds at least a whole record whose size field
    // says 864: a short or foreign file must not be half applied.
    static std::optional<SettingsRecord> Decode(std::span<const uint8_t> bytes);

    // Nullopt when the file is missing, unreadable, short or foreign.
    static std::optional<SettingsRecord> ReadFile(const std::filesystem::path& hostPath);
    // Replaces the file as a whole: the record goes to a temporary file in the
    // same folder, is flushed to the disk and then renamed over the old file,
    // so a crash or a full disk leaves either the old or the new record, never
    // a broken one. False (old file untouched) when any step fails.
    bool WriteFile(const std::filesystem::path& hostPath, std::vector<std::string>* truncated = nullptr) const;
};

