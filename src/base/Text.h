#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Program texts are UTF-16; UTF-8 appears only at the wire, in file names and
// at the text renderer. These helpers are the only crossing points.
namespace text {

// Invalid input (stray continuation bytes, overlong forms, surrogates encoded
// in UTF-8, truncated sequences, code points above U+10FFFF) becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Reads a decimal integer the way a stream extraction does: leading white
// space, an optional sign, digits up to the first non-digit. Without any digit
// (or on overflow) returns false and leaves `out` unchanged.
bool ParseInt(std::u16string_view s, int32_t& out);
bool ParseInt(std::string_view s, int32_t& out);
bool ParseInt64(std::string_view s, int64_t& out);

// Locale-independent reading of a decimal number ("3.5" is 3.5 whatever the
// process locale says). Leading white space is skipped; the longest valid
// prefix is read. Returns false and leaves `out` unchanged when there is none.
bool ParseDouble(std::string_view s, double& out);
bool ParseDouble(std::u16string_view s, double& out);

std::u16string ToU16(int64_t value);
std::string FormatDouble(double value);

// ASCII-only case folding: the registry, device paths and the platform type
// compare this way.
char16_t AsciiLower(char16_t c);
std::u16string AsciiLower(std::u16string_view s);
std::string AsciiLower(std::string_view s);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// C0 controls and DEL: never allowed in names that become paths, keys or
// query values. Callers with bytes pass them as unsigned char.
constexpr bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F; }

// Replaces every occurrence of `from` (non-empty) with `to`.
std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to);
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);

}  // namespace text

// Short spelling for UTF-8 literals and std::string values in UTF-16 code.
inline std::u16string U16(std::string_view utf8) { return text::Utf8ToUtf16(utf8); }
inline std::string U8(std::u16string_view utf16) { return text::Utf16ToUtf8(utf16); }
