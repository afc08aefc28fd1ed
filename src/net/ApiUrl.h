#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Where and how requests to the catalog service are addressed. The base URL
// is deployment data: the program sets it from its command line, or it comes
// from the device description ("catalogUrl").
struct ApiContext {
    std::u16string baseUrl;    // absolute, ends with "/"
    std::u16string prefix;     // path prefix of the default form (the localized API prefix)
    bool staticForm = false;   // method + ".xml?" instead of prefix + method + ".php?"
    std::u16string sessionId;  // sent as "sessionid"

    // From the program's base URL, the current language's prefix and the
    // store state. Call with the UI lock held.
    static ApiContext Current();
};

// Sets the catalog base URL for this process; a missing final "/" is added.
// An empty URL falls back to the current device's "catalogUrl".
void SetCatalogBaseUrl(std::u16string_view url);
std::u16string CatalogBaseUrl();

// One URL under construction: the text and whether the next parameter is the
// first one.
class ApiUrl {
public:
    static ApiUrl Start(std::u16string_view method, const ApiContext& context);

    // Raw values go as typed, except for the characters that would change the
    // meaning of the query ("&", "=", "#", "+", "%"), control characters and
    // non-ASCII text, which are percent-encoded (UTF-8).
    ApiUrl& AddRaw(std::u16string_view key, std::u16string_view value);
    // Base64 of the UTF-8 text with "+" and "/" percent-encoded.
    ApiUrl& AddEncoded(std::u16string_view key, std::u16string_view value);
    ApiUrl& AddInt(std::u16string_view key, int32_t value);
    ApiUrl& AddFlag(std::u16string_view key, bool value);
    ApiUrl& AddLiteral(std::u16string_view key, std::u16string_view value);

    // The finished URL: every space percent-encoded, nothing else touched.
    std::u16string Finish() const;

    const std::u16string& Text() const { return text; }

private:
    void Append(std::u16string_view key, std::u16string_view value);

    std::u16string text;
    bool first = true;
};

namespace api {

// The value forms, also used by tools that show what a request carries.
std::u16string Base64Value(std::u16string_view value);
std::u16string RawValue(std::u16string_view value);
std::u16string EncodeSpaces(std::u16string_view url);

}  // namespace api
