#include "XmlWriter.h"

#include "base/Text.h"

namespace catalogd {

void AppendEscaped(std::string& out, std::string_view value) {
    // Decoding through UTF-16 turns invalid sequences into U+FFFD.
    std::u16string wide = text::Utf8ToUtf16(value);
    std::string clean = text::Utf16ToUtf8(wide);
    for (unsigned char c : clean) {
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
                if (c < 0x20) {
                    out += "\xEF\xBF\xBD";  // not representable in XML 1.0
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
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
