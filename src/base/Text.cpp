#include "Text.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

namespace text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at s[i]; advances i past what was consumed. An
// invalid sequence consumes its lead byte only, so that the following bytes
// get their own chance to start a valid character.
char32_t DecodeOne(std::string_view s, std::size_t& i) {
    auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) return b0;
    int len;
    char32_t cp;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) { len = 1; cp = b0 & 0x1F; min = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { len = 2; cp = b0 & 0x0F; min = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { len = 3; cp = b0 & 0x07; min = 0x10000; }
    else return kReplacement;
    std::size_t j = i;
    for (int k = 0; k < len; ++k, ++j) {
        if (j >= s.size()) return kReplacement;
        auto b = static_cast<unsigned char>(s[j]);
        if ((b & 0xC0) != 0x80) return kReplacement;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    i = j;
    return cp;
}

bool IsSpace(char32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Narrow copy of the leading ASCII part; number readers need nothing else.
std::string AsciiPrefix(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        if (c >= 0x80) break;
        out.push_back(static_cast<char>(c));
    }
    return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) AppendUtf16(out, DecodeOne(utf8, i));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool ParseInt64(std::string_view s, int64_t& out) {
    std::size_t i = 0;
    while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    uint64_t value = 0;
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        value = value * 10 + uint64_t(s[i] - '0');
        if (value > limit) return false;
    }
    out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
    return true;
}

bool ParseInt(std::string_view s, int32_t& out) {
    int64_t v;
    if (!ParseInt64(s, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool ParseInt(std::u16string_view s, int32_t& out) {
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    return ParseInt(AsciiPrefix(s.substr(i)), out);
}

bool ParseDouble(std::string_view s, double& out) {
    std::size_t i = 0;
    while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i]))) ++i;
    if (i < s.size() && s[i] == '+') ++i;  // from_chars refuses a plus sign
    double v;
    auto r = std::from_chars(s.data() + i, s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc()) return false;
    out = v;
    return true;
}

bool ParseDouble(std::u16string_view s, double& out) {
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    return ParseDouble(AsciiPrefix(s.substr(i)), out);
}

std::u16string ToU16(int64_t value) {
    std::string s = std::to_string(value);
    return std::u16string(s.begin(), s.end());
}

std::string FormatDouble(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

char16_t AsciiLower(char16_t c) { return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c; }

std::u16string AsciiLower(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out) c = AsciiLower(c);
    return out;
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(AsciiLower(static_cast<char16_t>(static_cast<unsigned char>(c))));
    return out;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

template <class S, class V>
static S ReplaceAllImpl(V s, V from, V to) {
    S out;
    if (from.empty()) return S(s);
    std::size_t pos = 0;
    for (std::size_t hit; (hit = s.find(from, pos)) != V::npos; pos = hit + from.size()) {
        out.append(s.substr(pos, hit - pos));
        out.append(to);
    }
    out.append(s.substr(pos));
    return out;
}

std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to) {
    return ReplaceAllImpl<std::u16string>(s, from, to);
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    return ReplaceAllImpl<std::string>(s, from, to);
}

}  // namespace text
