#include "XmlWriter.h"


namespace catalogd {

namespace {

// Length of the valid UTF-8 sequence at s[i], 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF included).
size_t ValidSequence(std::string_view s, size_t i) {
    auto at = [&](size_t k) { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u; };
    auto cont = [&](size_t k) { return (at(k) & 0xC0) == 0x80; };
    unsigned b0 = at(0);
    if (b0 >= 0xC2 && b0 <= 0xDF) return cont(1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        unsigned b1 = at(1);
        if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 > 0x9F)) return 0;
        return cont(1) && cont(2) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        unsigned b1 = at(1);
        if ((b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 > 0x8F)) return 0;
        return cont(1) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// U+FFFE and U+FFFF are valid UTF-8 but no XML character: a strict reader
// refuses the whole document over one of them.
bool IsXmlNonCharacter(std::string_view sequence) {
    return sequence == "\xEF\xBF\xBE" || sequence == "\xEF\xBF\xBF";
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view value) {
    for (size_t i = 0; i < value.size();) {
        auto c = static_cast<unsigned char>(value[i]);
        if (c >= 0x80) {
            size_t n = ValidSequence(value, i);
            if (n == 0 || IsXmlNonCharacter(value.substr(i, n))) {
                out += kReplacement;
                i += n == 0 ? 1 : n;
            } else {
                out.append(value.substr(i, n));
                i += n;
            }
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            // Line breaks and tabs inside attributes would be normalised to
            // spaces by every reader unless written as references.
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            default:
                if (c < 0x20 || c == 0x7F) out += kReplacement;  // not representable in XML 1.0
                else out.push_back(static_cast<char>(c));
        }
        ++i;
    }
}

void XmlWriter::CloseStartTag() {
    if (startTagOpen) {
        out.push_back('>');
        startTagOpen = false;
    }
}

XmlWriter& XmlWriter::Start(std::string_view name) {
    CloseStartTag();
    out.push_back('<');
    out.append(name);
    open.emplace_back(name);
    startTagOpen = true;
    return *this;
}

XmlWriter& XmlWriter::Attr(std::string_view name, std::string_view value) {
    out.push_back(' ');
    out.append(name);
    out.append("=\"");
    AppendEscaped(out, value);
    out.push_back('"');
    return *this;
}

XmlWriter& XmlWriter::Attr(std::string_view name, int64_t value) {
    out.push_back(' ');
    out.append(name);
    out.append("=\"");
    out.append(std::to_string(value));
    out.push_back('"');
    return *this;
}

XmlWriter& XmlWriter::End() {
    if (open.empty()) return *this;
    if (startTagOpen) {
        out.append("/>");
        startTagOpen = false;
    } else {
        out.append("</");
        out.append(open.back());
        out.push_back('>');
    }
    open.pop_back();
    return *this;
}

std::string XmlWriter::Take() {
    while (!open.empty()) End();
    return std::move(out);
}

std::string Envelope(int code, std::string_view children) {
    std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kestrum-api><result code=\"";
    doc += std::to_string(code);
    doc += "\"/>";
    if (code == 0) doc.append(children);
    doc += "</kestrum-api>\n";
    return doc;
}

}  // namespace catalogd
