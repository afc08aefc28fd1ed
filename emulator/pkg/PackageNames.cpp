#include "pkg/PackageNames.h"

#include <cstdio>

#include "base/Text.h"
#include "platform/registry/Registry.h"

namespace pkg {
namespace {

struct Macro {
    std::u16string_view name;
    std::u16string_view folder;
};
constexpr Macro kMacros[] = {
    {u"%CE1%", u"\\Program Files"},
    {u"%CE2%", u"\\Windows"},
    {u"%CE4%", u"\\Windows\\StartUp"},
    {u"%CE5%", u"\\My Documents"},
    {u"%CE11%", u"\\Windows\\Start Menu\\Programs"},
    {u"%CE17%", u"\\Windows\\Start Menu"},
};

bool StartsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && text::EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

}  // namespace

bool ValidInstallName(std::u16string_view name) { return platform::IsSingleKeyName(name); }

bool ValidFileName(std::u16string_view name) {
    if (name.empty() || name == u"." || name == u".." || name.size() > 255) return false;
    for (char16_t c : name)
        if (c == u'\\' || c == u'/' || c == u':' || text::IsControl(c)) return false;
    return true;
}

bool ValidTargetFolder(std::u16string_view path) {
    if (path.size() < 2 || path[0] != u'\\') return false;
    if (StartsWithIgnoreCase(path, kRecordRoot) &&
        (path.size() == kRecordRoot.size() || path[kRecordRoot.size()] == u'\\'))
        return false;
    std::size_t pos = 1;
    while (pos <= path.size()) {
        std::size_t next = path.find(u'\\', pos);
        if (next == std::u16string_view::npos) next = path.size();
        // A trailing "\" is tolerated; an empty part in the middle is not.
        if (!(next == path.size() && next == pos) && !ValidFileName(path.substr(pos, next - pos))) return false;
        pos = next + 1;
    }
    return true;
}

std::optional<std::u16string> ExpandMacros(std::u16string_view s, std::u16string_view installDir) {
    std::u16string out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] != u'%') {
            out += s[i++];
            continue;
        }
        std::u16string_view rest = s.substr(i);
        bool matched = false;
        if (StartsWithIgnoreCase(rest, u"%InstallDir%")) {
            out += installDir;
            i += 12;
            matched = true;
        }
        for (const auto& m : kMacros) {
            if (matched) break;
            if (StartsWithIgnoreCase(rest, m.name)) {
                out += m.folder;
                i += m.name.size();
                matched = true;
            }
        }
        if (!matched) return std::nullopt;
    }
    return out;
}

std::u16string RecordFolder(std::u16string_view installName) {
    std::u16string escaped;
    for (char16_t c : installName) {
        bool safe = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                    c == u' ' || c == u'-' || c == u'_' || (c == u'.' && !escaped.empty());
        if (safe) {
            escaped += c;
            continue;
        }
        // Every other code unit as "%" and four hex digits: "/", "..", "%" and
        // the like cannot form a path, and two names never share a folder.
        char buf[8];
        std::snprintf(buf, sizeof buf, "%%%04X", static_cast<unsigned>(c));
        escaped += text::Utf8ToUtf16(buf);
    }
    return JoinDevicePath(kRecordRoot, escaped);
}

std::u16string AppInstallKey(std::u16string_view installName) {
    return JoinDevicePath(kAppInstallRoot, installName);
}

std::u16string JoinDevicePath(std::u16string_view folder, std::u16string_view name) {
    std::u16string out(folder);
    if (out.empty() || out.back() != u'\\') out += u'\\';
    out += name;
    return out;
}

}  // namespace pkg
