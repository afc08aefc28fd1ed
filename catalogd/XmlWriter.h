#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace catalogd {

// Builds an XML document in one string. Attribute values are escaped here
// and nowhere else, so no caller can forget it; text that is not valid UTF-8
// or holds characters XML cannot carry is repaired rather than sent broken.
class XmlWriter {
public:
    XmlWriter& Start(std::string_view name);
    XmlWriter& Attr(std::string_view name, std::string_view value);
    XmlWriter& Attr(std::string_view name, const char* value) { return Attr(name, std::string_view(value)); }
    XmlWriter& Attr(std::string_view name, const std::string& value) { return Attr(name, std::string_view(value)); }
    XmlWriter& Attr(std::string_view name, int64_t value);
    XmlWriter& Attr(std::string_view name, int value) { return Attr(name, static_cast<int64_t>(value)); }
    // Closes the innermost open element.
    XmlWriter& End();

    // Closes whatever is still open and hands the text over.
    std::string Take();

private:
    void CloseStartTag();

    std::string out;
    std::vector<std::string> open;
    bool startTagOpen = false;
};

// Appends `value` escaped for use inside a double-quoted attribute.
void AppendEscaped(std::string& out, std::string_view value);

// The answer document: the envelope with the result code and, for code 0,
// the given children of the root.
std::string Envelope(int code, std::string_view children = {});

}  // namespace catalogd
