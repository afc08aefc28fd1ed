#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalogd {

// The parameters of one request, read from the raw query text so that the
// decoding is ours: percent escapes are undone, and a "+" stays a "+" (the
// client escapes its spaces as %20 and may leave Base64 "+" unescaped).
class Query {
public:
    static Query Parse(std::string_view rawQuery);

    // The percent-decoded bytes of the first parameter with that key.
    const std::string* Find(std::string_view key) const;
    bool Has(std::string_view key) const { return Find(key) != nullptr; }
    // Every parameter in the order it came, decoded.
    const std::vector<std::pair<std::string, std::string>>& Params() const { return params; }

private:
    std::vector<std::pair<std::string, std::string>> params;
};

std::string PercentDecode(std::string_view text);

// Outcome of reading one parameter: absent, present and well-formed, or
// present but unusable (the request then answers "bad parameter").
enum class Param { Missing, Ok, Bad };

// Plain text: valid UTF-8 without control characters other than tab.
Param ReadText(const Query& q, std::string_view key, std::string& out);
// Base64 of UTF-8 text; line breaks are allowed inside (free texts).
Param ReadEncoded(const Query& q, std::string_view key, std::string& out);
// A decimal 32-bit integer, optionally signed, nothing else around it.
Param ReadInt(const Query& q, std::string_view key, int32_t& out);

bool IsValidUtf8(std::string_view s);

}  // namespace catalogd
