#include "RegistryDump.h"

#include <cstdio>

#include "base/Text.h"

namespace devicectl {
namespace {

// Control characters would garble the terminal or hide text; they are shown
// as escapes.
std::string Printable(const std::u16string& s) {
    std::string out;
    for (char c : U8(s)) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"') {
            out += "\\\"";
        } else if (text::IsControl(u)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

std::string ValueText(const platform::RegistryValue& v) {
    if (v.type == platform::RegistryType::String) return "string \"" + Printable(v.text) + "\"";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", v.dword);
    return "dword " + std::to_string(v.dword) + " (" + hex + ")";
}

}  // namespace

void DumpKey(std::ostream& out, const platform::RegistryKey& key) {
    std::u16string path = platform::HiveName(key.GetHive());
    if (!key.Path().empty()) path += u"\\" + key.Path();
    out << Printable(path) << '\n';
    for (const auto& [name, value] : key.Values())
        out << "  " << (name.empty() ? std::string("(default)") : Printable(name)) << " = " << ValueText(value) << '\n';
    for (const auto& sub : key.Subkeys()) {
        auto child = key.OpenSubkey(sub);
        if (child) DumpKey(out, *child);  // a subkey deleted meanwhile is simply gone
    }
}

}  // namespace devicectl
