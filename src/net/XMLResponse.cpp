#include "net/XMLResponse.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/Text.h"
#include "core/Kestrum.h"
#include "net/NetServices.h"

bool XMLResponse::ReadBody(const pugi::xml_node&) { return true; }

int32_t XMLResponse::Parse(const char* data, std::size_t length) {
    if (!data) return kUnreadable;
    std::string_view body(data, length);
    const std::size_t last = body.rfind('>');
    if (last == std::string_view::npos) return kUnreadable;
    body = body.substr(0, last + 1);

    pugi::xml_document doc;
    // Plain element parsing: no document type, so no entity of any kind is
    // ever fetched or expanded beyond the predefined ones.
    const unsigned options = pugi::parse_default & ~pugi::parse_doctype;
    if (!doc.load_buffer(body.data(), body.size(), options, pugi::encoding_utf8)) return kUnreadable;
    const pugi::xml_node root = doc.child("kestrum-api");
    const pugi::xml_node result = root.child("result");
    int32_t code = 0;
    // An envelope whose code is not a number cannot be trusted either way.
    const pugi::xml_attribute attr = result.attribute("code");
    if (!root || !result || !attr || !text::ParseInt(std::string_view(attr.value()), code)) return kUnreadable;
    if (code != kSuccess) {
        if (code == kSessionExpired) {
            Kestrum::Instance().configPending = 1;
            net::Services().ReturnToSignIn();
        }
        return code;
    }
    return ReadBody(root) ? kSuccess : kUnreadable;
}

void XMLResponse::ShowError(int32_t code) { net::Services().ShowError(code); }

bool XMLResponse::ReadText(const pugi::xml_attribute& a, std::u16string& out) {
    if (!a) return false;
    const char* v = a.value();
    const std::size_t n = std::strlen(v);
    // Most attribute texts are plain ASCII; they need no decoding.
    if (std::all_of(v, v + n, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        out.assign(v, v + n);
    else
        out = U16(std::string_view(v, n));
    return true;
}

bool XMLResponse::ReadInt(const pugi::xml_attribute& a, int32_t& out) {
    if (!a) return false;
    text::ParseInt(std::string_view(a.value()), out);
    return true;
}

bool XMLResponse::ReadUInt(const pugi::xml_attribute& a, uint32_t& out) {
    if (!a) return false;
    int64_t v = 0;
    // Values beyond 32 bits are not a time the record can hold: keep the old.
    if (text::ParseInt64(std::string_view(a.value()), v) && v >= 0 && v <= int64_t(UINT32_MAX))
        out = static_cast<uint32_t>(v);
    return true;
}

bool XMLResponse::ReadDouble(const pugi::xml_attribute& a, double& out) {
    if (!a) return false;
    text::ParseDouble(std::string_view(a.value()), out);
    return true;
}

bool XMLResponse::ReadText(const pugi::xml_node& node, const char* name, std::u16string& out) {
    return ReadText(node.attribute(name), out);
}

bool XMLResponse::ReadInt(const pugi::xml_node& node, const char* name, int32_t& out) {
    return ReadInt(node.attribute(name), out);
}

bool XMLResponse::ReadUInt(const pugi::xml_node& node, const char* name, uint32_t& out) {
    return ReadUInt(node.attribute(name), out);
}

bool XMLResponse::ReadDouble(const pugi::xml_node& node, const char* name, double& out) {
    return ReadDouble(node.attribute(name), out);
}

bool XMLResponse_Auth::ReadBody(const pugi::xml_node& root) {
    const pugi::xml_node auth = root.child("auth");
    if (!auth) return false;
    std::u16string id;
    if (!ReadText(auth, "id", id)) return false;
    if (sessionId) *sessionId = std::move(id);
    return true;
}
