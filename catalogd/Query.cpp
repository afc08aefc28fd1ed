#include "Query.h"

#include <charconv>

#include "Base64.h"
#include "base/Text.h"

namespace catalogd {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HasControl(std::string_view s, bool allowLineBreaks) {
    for (unsigned char c : s) {
        if (c == '\t') continue;
        if (allowLineBreaks && (c == '\n' || c == '\r')) continue;
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = HexValue(text[i + 1]);
            int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        // A stray "%" is kept as it is: it was meant literally by whoever
        // typed it, and refusing the whole request would help nobody.
        out.push_back(text[i]);
    }
    return out;
}

Query Query::Parse(std::string_view raw) {
    Query q;
    while (!raw.empty()) {
        size_t amp = raw.find('&');
        std::string_view pair = raw.substr(0, amp);
        raw = amp == std::string_view::npos ? std::string_view() : raw.substr(amp + 1);
        if (pair.empty()) continue;
        size_t eq = pair.find('=');
        std::string key = PercentDecode(pair.substr(0, eq));
        std::string value = eq == std::string_view::npos ? std::string() : PercentDecode(pair.substr(eq + 1));
        q.params.emplace_back(std::move(key), std::move(value));
    }
    return q;
}

const std::string* Query::Find(std::string_view key) const {
    for (const auto& [k, v] : params)
        if (k == key) return &v;
    return nullptr;
}

bool IsValidUtf8(std::string_view s) {
    return text::Utf16ToUtf8(text::Utf8ToUtf16(s)) == s;
}

Param ReadText(const Query& q, std::string_view key, std::string& out) {
    const std::string* v = q.Find(key);
    if (!v) return Param::Missing;
    if (!IsValidUtf8(*v) || HasControl(*v, false)) return Param::Bad;
    out = *v;
    return Param::Ok;
}

Param ReadEncoded(const Query& q, std::string_view key, std::string& out) {
    const std::string* v = q.Find(key);
    if (!v) return Param::Missing;
    std::string decoded;
    if (!Base64Decode(*v, decoded)) return Param::Bad;
    if (!IsValidUtf8(decoded) || HasControl(decoded, true)) return Param::Bad;
    out = std::move(decoded);
    return Param::Ok;
}

Param ReadInt(const Query& q, std::string_view key, int32_t& out) {
    const std::string* v = q.Find(key);
    if (!v) return Param::Missing;
    std::string_view s = *v;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int32_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return Param::Bad;
    out = value;
    return Param::Ok;
}

}  // namespace catalogd
