#include "net/ApiUrl.h"

#include <mutex>

#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "platform/device/DeviceRoot.h"

namespace {

constexpr int32_t kPrefixString = 99999;

std::mutex& BaseLock() {
    static std::mutex lock;
    return lock;
}

std::u16string& BaseSetting() {
    static std::u16string base;
    return base;
}

std::u16string WithSlash(std::u16string url) {
    if (!url.empty() && url.back() != u'/') url += u'/';
    return url;
}

// The prefix is looked up without creating anything, and a file that lacks
// the string means no prefix: the placeholder text for missing strings would
// otherwise end up in every request path.
std::u16string LocalizedPrefix() {
    const Localization& loc = Localization::Instance();
    auto lang = loc.languages.find(loc.currentLanguage);
    if (lang == loc.languages.end()) return {};
    auto s = lang->second.strings.find(kPrefixString);
    return s == lang->second.strings.end() ? std::u16string() : s->second;
}

void AppendHex(std::u16string& out, unsigned char byte) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    out += u'%';
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

}  // namespace

void SetCatalogBaseUrl(std::u16string_view url) {
    std::lock_guard<std::mutex> guard(BaseLock());
    BaseSetting() = WithSlash(std::u16string(url));
}

std::u16string CatalogBaseUrl() {
    {
        std::lock_guard<std::mutex> guard(BaseLock());
        if (!BaseSetting().empty()) return BaseSetting();
    }
    if (platform::HasCurrentDevice()) return WithSlash(U16(platform::CurrentDevice().Info().catalogUrl));
    return {};
}

ApiContext ApiContext::Current() {
    ApiContext c;
    c.baseUrl = CatalogBaseUrl();
    c.prefix = LocalizedPrefix();
    Kestrum& k = Kestrum::Instance();
    c.staticForm = k.xmlCatalogMode != 0;
    c.sessionId = k.GetSessionId();
    return c;
}

ApiUrl ApiUrl::Start(std::u16string_view method, const ApiContext& context) {
    ApiUrl url;
    url.text = context.baseUrl;
    if (context.staticForm) {
        url.text += method;
        url.text += u".xml?";
    } else {
        url.text += context.prefix;
        url.text += method;
        url.text += u".php?";
    }
    return url;
}

void ApiUrl::Append(std::u16string_view key, std::u16string_view value) {
    if (!first) text += u'&';
    first = false;
    text += key;
    text += u'=';
    text += value;
}

ApiUrl& ApiUrl::AddRaw(std::u16string_view key, std::u16string_view value) {
    Append(key, api::RawValue(value));
    return *this;
}

ApiUrl& ApiUrl::AddEncoded(std::u16string_view key, std::u16string_view value) {
    Append(key, api::Base64Value(value));
    return *this;
}

ApiUrl& ApiUrl::AddInt(std::u16string_view key, int32_t value) {
    Append(key, text::ToU16(value));
    return *this;
}

ApiUrl& ApiUrl::AddFlag(std::u16string_view key, bool value) {
    Append(key, value ? u"1" : u"0");
    return *this;
}

ApiUrl& ApiUrl::AddLiteral(std::u16string_view key, std::u16string_view value) {
    Append(key, value);
    return *this;
}

std::u16string ApiUrl::Finish() const { return api::EncodeSpaces(text); }

namespace api {

std::u16string Base64Value(std::u16string_view value) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::string bytes = U8(value);
    std::u16string out;
    out.reserve((bytes.size() + 2) / 3 * 4 + 8);
    auto put = [&out](char c) {
        if (c == '+')
            out += u"%2B";
        else if (c == '/')
            out += u"%2F";
        else
            out += static_cast<char16_t>(c);
    };
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = (uint32_t(uint8_t(bytes[i])) << 16) | (uint32_t(uint8_t(bytes[i + 1])) << 8) |
                           uint8_t(bytes[i + 2]);
        put(alphabet[(v >> 18) & 63]);
        put(alphabet[(v >> 12) & 63]);
        put(alphabet[(v >> 6) & 63]);
        put(alphabet[v & 63]);
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (rest == 2) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        put(alphabet[(v >> 18) & 63]);
        put(alphabet[(v >> 12) & 63]);
        if (rest == 2)
            put(alphabet[(v >> 6) & 63]);
        else
            out += u'=';
        out += u'=';
    }
    return out;
}

std::u16string RawValue(std::u16string_view value) {
    std::u16string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size();) {
        const char16_t c = value[i];
        if (c >= 0x80) {
            // A run of non-ASCII units is converted as a whole so that a
            // surrogate pair becomes one UTF-8 sequence.
            size_t end = i;
            while (end < value.size() && value[end] >= 0x80) ++end;
            for (unsigned char byte : U8(value.substr(i, end - i))) AppendHex(out, byte);
            i = end;
            continue;
        }
        const bool special = c == u'&' || c == u'=' || c == u'#' || c == u'+' || c == u'%';
        if (special || text::IsControl(c))
            AppendHex(out, static_cast<unsigned char>(c));
        else
            out += c;
        ++i;
    }
    return out;
}

std::u16string EncodeSpaces(std::u16string_view url) { return text::ReplaceAll(url, u" ", u"%20"); }

}  // namespace api
