#include "apps/PackageNames.h"

#include "base/Text.h"
#include "platform/registry/Registry.h"

namespace apps {
namespace {

// Names the device's file system reserves for devices, with or without an
// extension ("COM1.cab" still opens the port on the device).
bool ReservedDeviceName(std::u16string_view name) {
    std::u16string base = text::AsciiLower(name.substr(0, name.find(u'.')));
    static const std::u16string_view kNames[] = {u"con", u"prn", u"aux", u"nul"};
    for (auto n : kNames)
        if (base == n) return true;
    if (base.size() == 4 && (base.rfind(u"com", 0) == 0 || base.rfind(u"lpt", 0) == 0) && base[3] >= u'0' &&
        base[3] <= u'9')
        return true;
    return false;
}

}  // namespace

bool IsSafeSysid(std::u16string_view sysid) { return platform::IsSingleKeyName(sysid); }

bool IsSafePackageFileName(std::u16string_view name) {
    if (name.empty() || name.size() > 255 || name.find(u"..") != std::u16string_view::npos) return false;
    for (char16_t c : name)
        if (c == u'\\' || c == u'/' || c == u':' || text::IsControl(c)) return false;
    return !ReservedDeviceName(name);
}

std::optional<std::u16string> PackageFileName(std::u16string_view install, std::u16string_view sysid) {
    const bool url = install.find(u'/') != std::u16string_view::npos;
    if (url && !IsSafeSysid(sysid)) return std::nullopt;
    std::u16string name = url ? std::u16string(sysid) + u".cab" : std::u16string(install);
    if (!IsSafePackageFileName(name)) return std::nullopt;
    return name;
}

std::u16string XmlEscape(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (char16_t c : s) {
        switch (c) {
            case u'&': out += u"&amp;"; break;
            case u'<': out += u"&lt;"; break;
            case u'>': out += u"&gt;"; break;
            case u'"': out += u"&quot;"; break;
            case u'\'': out += u"&apos;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace apps
