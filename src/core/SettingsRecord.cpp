#include "core/SettingsRecord.h"

#include <fstream>

#include "platform/files/Files.h"

namespace {

// Field offsets and widths in bytes.
constexpr size_t kSizeOffset = 0;
constexpr size_t kLanguageOffset = 4, kLanguageBytes = 20;
constexpr size_t kOsverOffset = 24, kOsverBytes = 20;
constexpr size_t kLoginOffset = 44, kPasswordOffset = 244, kLongTextBytes = 200;
constexpr size_t kWidthOffset = 444, kHeightOffset = 448;
constexpr size_t kFlagsOffset = 452;
constexpr size_t kSortOffset = 462, kPriceOffset = 662;
constexpr size_t kKeepOffset = 862;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

void PutU32(SettingsRecord::Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(std::span<const uint8_t> b, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

// Writes `text` into a zeroed field of `bytes` bytes, leaving room for the
// terminator. Returns false when the text had to be cut.
bool PutText(SettingsRecord::Bytes& b, size_t at, size_t bytes, std::u16string_view text, bool scrambled) {
    const size_t maxUnits = bytes / 2 - 1;
    size_t units = std::min(text.size(), maxUnits);
    // A pair cut in half would leave a lone surrogate behind; drop both halves.
    if (units < text.size() && units > 0 && IsHighSurrogate(text[units - 1])) --units;
    for (size_t i = 0; i < units; ++i) {
        char16_t c = scrambled ? static_cast<char16_t>(text[i] ^ SettingsRecord::kScrambleKey) : text[i];
        b[at + 2 * i] = static_cast<uint8_t>(c & 0xFF);
        b[at + 2 * i + 1] = static_cast<uint8_t>(c >> 8);
    }
    return units == text.size();
}

std::u16string GetText(std::span<const uint8_t> b, size_t at, size_t bytes, bool scrambled) {
    std::u16string out;
    // The last unit of a field belongs to the terminator even when a damaged
    // file put something else there: a text read here must fit back into its
    // field, or the next save would silently cut it.
    for (size_t i = 0; i + 2 < bytes; i += 2) {
        char16_t c = static_cast<char16_t>(b[at + i] | (b[at + i + 1] << 8));
        if (c == 0) break;
        out.push_back(scrambled ? static_cast<char16_t>(c ^ SettingsRecord::kScrambleKey) : c);
    }
    return out;
}

// The ten feature flags in their stored order.
template <class Profile>
auto Flags(Profile& p) {
    return std::array{&p.phone, &p.irda, &p.bt, &p.wifi, &p.gl, &p.cam, &p.cam3g, &p.accel, &p.gps, &p.keypad};
}

}  // namespace

SettingsRecord::Bytes SettingsRecord::Encode(std::vector<std::string>* truncated) const {
    Bytes b{};
    PutU32(b, kSizeOffset, kSize);
    auto text = [&](const char* name, size_t at, size_t bytes, const std::u16string& value, bool scrambled) {
        if (!PutText(b, at, bytes, value, scrambled) && truncated) truncated->push_back(name);
    };
    text("language", kLanguageOffset, kLanguageBytes, language, false);
    text("osver", kOsverOffset, kOsverBytes, profile.osver, false);
    text("login", kLoginOffset, kLongTextBytes, login, true);
    text("password", kPasswordOffset, kLongTextBytes, password, true);
    PutU32(b, kWidthOffset, static_cast<uint32_t>(profile.width));
    PutU32(b, kHeightOffset, static_cast<uint32_t>(profile.height));
    size_t at = kFlagsOffset;
    for (const bool* flag : Flags(profile)) b[at++] = *flag ? 1 : 0;
    text("sort", kSortOffset, kLongTextBytes, sortOrder, false);
    text("price", kPriceOffset, kLongTextBytes, priceFilter, false);
    b[kKeepOffset] = keepPackagesOnCard;
    return b;
}

std::optional<SettingsRecord> SettingsRecord::Decode(std::span<const uint8_t> b) {
    if (b.size() < kSize || GetU32(b, kSizeOffset) != kSize) return std::nullopt;
    SettingsRecord r;
    r.language = GetText(b, kLanguageOffset, kLanguageBytes, false);
    r.profile.osver = GetText(b, kOsverOffset, kOsverBytes, false);
    r.login = GetText(b, kLoginOffset, kLongTextBytes, true);
    r.password = GetText(b, kPasswordOffset, kLongTextBytes, true);
    r.profile.width = static_cast<int32_t>(GetU32(b, kWidthOffset));
    r.profile.height = static_cast<int32_t>(GetU32(b, kHeightOffset));
    size_t at = kFlagsOffset;
    for (bool* flag : Flags(r.profile)) *flag = b[at++] != 0;
    r.sortOrder = GetText(b, kSortOffset, kLongTextBytes, false);
    r.priceFilter = GetText(b, kPriceOffset, kLongTextBytes, false);
    r.keepPackagesOnCard = b[kKeepOffset];
    return r;
}

std::optional<SettingsRecord> SettingsRecord::ReadFile(const std::filesystem::path& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return std::nullopt;
    Bytes b{};
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    if (static_cast<size_t>(in.gcount()) != b.size()) return std::nullopt;
    return Decode(b);
}

bool SettingsRecord::WriteFile(const std::filesystem::path& hostPath, std::vector<std::string>* truncated) const {
    Bytes b = Encode(truncated);
    return platform::ReplaceHostFile(hostPath, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}
