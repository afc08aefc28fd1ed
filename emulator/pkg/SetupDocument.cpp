#include "pkg/SetupDocument.h"

#include <cstdint>
#include <fstream>
#include <iterator>

#include <pugixml.hpp>

#include "base/Text.h"
#include "pkg/CabArchive.h"
#include "pkg/PackageNames.h"

namespace pkg {
namespace {

// Far larger than any real document; a bigger one is not read at all.
constexpr uint64_t kMaxSetupDocument = 1 << 20;

using platform::RegistryValue;

std::u16string Attr(const pugi::xml_node& n, const char* name) { return text::Utf8ToUtf16(n.attribute(name).value()); }

bool Translated(const pugi::xml_node& n) {
    return text::EqualsIgnoreCase(std::string_view(n.attribute("translation").value()), "install");
}

std::u16string Type(const pugi::xml_node& n) { return Attr(n, "type"); }

bool IsType(const pugi::xml_node& n, std::u16string_view type) { return text::EqualsIgnoreCase(Type(n), type); }

// The value of <parm name="..."> directly below `n`, or nullopt.
std::optional<pugi::xml_node> Parm(const pugi::xml_node& n, std::string_view name) {
    for (auto p : n.children("parm"))
        if (text::EqualsIgnoreCase(std::string_view(p.attribute("name").value()), name)) return p;
    return std::nullopt;
}

class Reader {
public:
    explicit Reader(std::string* error) : error(error) {}

    bool Fail(const std::string& why) {
        if (error && error->empty()) *error = why;
        return false;
    }

    // Expands macros when the node asks for it; fails on an unknown macro.
    bool Expand(const pugi::xml_node& n, std::u16string text, std::u16string& out) {
        if (!Translated(n)) {
            out = std::move(text);
            return true;
        }
        auto expanded = ExpandMacros(text, doc.installDir);
        if (!expanded) return Fail("unknown folder macro in \"" + text::Utf16ToUtf8(text) + "\"");
        out = *expanded;
        return true;
    }

    bool ReadInstall(const pugi::xml_node& n) {
        auto name = Parm(n, "AppName");
        if (!name) return Fail("the install name (AppName) is missing");
        doc.installName = Attr(*name, "value");
        if (!ValidInstallName(doc.installName)) return Fail("the install name is not a single key name");

        std::u16string dir = u"%CE1%\\" + doc.installName;
        if (auto p = Parm(n, "InstallDir")) dir = Attr(*p, "value");
        auto expanded = ExpandMacros(dir, u"");
        if (!expanded) return Fail("unknown folder macro in the install directory");
        doc.installDir = *expanded;
        while (doc.installDir.size() > 1 && doc.installDir.back() == u'\\') doc.installDir.pop_back();
        if (!ValidTargetFolder(doc.installDir)) return Fail("the install directory is not a safe device folder");

        if (auto p = Parm(n, "SetupDll")) {
            doc.setupDll = Attr(*p, "value");
            if (!doc.setupDll.empty() && !ValidFileName(doc.setupDll))
                return Fail("the setup extension name is not a plain file name");
        }
        return true;
    }

    bool ReadFileOperation(const pugi::xml_node& n) {
        for (auto folderNode : n.children("characteristic")) {
            std::u16string folder;
            if (!Expand(folderNode, Type(folderNode), folder)) return false;
            while (folder.size() > 1 && folder.back() == u'\\') folder.pop_back();
            if (!ValidTargetFolder(folder))
                return Fail("unsafe target folder \"" + text::Utf16ToUtf8(folder) + "\"");
            for (auto item : folderNode.children("characteristic"))
                if (!ReadFolderItem(folder, item)) return false;
        }
        return true;
    }

    bool ReadFolderItem(const std::u16string& folder, const pugi::xml_node& item) {
        if (IsType(item, u"MakeDir")) {
            doc.folders.push_back(folder);
            return true;
        }
        std::u16string name;
        if (!Expand(item, Type(item), name)) return false;
        for (auto action : item.children("characteristic")) {
            if (!IsType(action, u"Extract") && !IsType(action, u"Shortcut")) continue;
            if (!ValidFileName(name)) return Fail("unsafe file name \"" + text::Utf16ToUtf8(name) + "\"");
            auto source = Parm(action, "Source");
            if (!source) return Fail("a file without a Source");
            std::u16string value;
            if (!Expand(*source, Attr(*source, "value"), value)) return false;
            std::u16string path = JoinDevicePath(folder, name);
            if (IsType(action, u"Extract")) {
                if (!ValidFileName(value)) return Fail("unsafe cabinet file name \"" + text::Utf16ToUtf8(value) + "\"");
                doc.files.push_back({path, value});
            } else {
                // A target with spaces only works quoted; quote what is not.
                if (value.empty()) return Fail("a shortcut without a target");
                if (value.front() != u'"') value = u"\"" + value + u"\"";
                doc.shortcuts.push_back({path, value});
            }
        }
        return true;
    }

    // Drops empty parts as the registry does, so that the checks below see the
    // key the registry will really open.
    static std::u16string NormalizeKey(std::u16string_view path) {
        std::u16string out;
        std::size_t pos = 0;
        while (pos <= path.size()) {
            std::size_t next = path.find(u'\\', pos);
            if (next == std::u16string_view::npos) next = path.size();
            if (next > pos) {
                if (!out.empty()) out += u'\\';
                out += path.substr(pos, next - pos);
            }
            pos = next + 1;
        }
        return out;
    }

    // Deeper than any real package nests its keys; the limit keeps a hostile
    // document from exhausting the stack of the recursion below.
    static constexpr int kMaxKeyDepth = 64;

    bool ReadRegistryKey(platform::Hive hive, std::u16string_view rawPath, const pugi::xml_node& n, int depth = 0) {
        if (depth > kMaxKeyDepth) return Fail("registry keys are nested too deeply");
        std::u16string path = NormalizeKey(rawPath);
        if (!ValidRegistryPath(path)) return Fail("a registry key must name a key below its hive");
        // The installer's own bookkeeping is not a package's to write.
        std::u16string lower = text::AsciiLower(path) + u"\\";
        if (hive == platform::Hive::LocalMachine && lower.rfind(u"security\\appinstall\\", 0) == 0)
            return Fail("a package may not write below \\Security\\AppInstall");
        RegistryEntry entry{hive, path, {}};
        for (auto p : n.children("parm")) {
            std::u16string name = Attr(p, "name"), raw;
            if (!Expand(p, Attr(p, "value"), raw)) return false;
            std::string type = text::AsciiLower(std::string_view(p.attribute("datatype").value()));
            if (type.empty() || type == "string") {
                entry.values.emplace_back(name, RegistryValue::String(raw));
            } else if (type == "integer") {
                int64_t v = 0;
                std::string digits = text::Utf16ToUtf8(raw);
                if (!text::ParseInt64(digits, v) || v < INT32_MIN || v > UINT32_MAX ||
                    digits.find_first_not_of("-+0123456789 ") != std::string::npos)
                    return Fail("registry value \"" + text::Utf16ToUtf8(name) + "\" is not a number");
                entry.values.emplace_back(name, RegistryValue::Dword(static_cast<uint32_t>(v)));
            } else {
                return Fail("unknown registry datatype \"" + type + "\"");
            }
        }
        doc.registry.push_back(std::move(entry));
        // Nested characteristics are subkeys of this key.
        for (auto sub : n.children("characteristic")) {
            if (!ReadRegistryKey(hive, path + u"\\" + Type(sub), sub, depth + 1)) return false;
        }
        return true;
    }

    static bool ValidRegistryPath(std::u16string_view path) {
        if (path.empty()) return false;
        for (char16_t c : path)
            if (text::IsControl(c)) return false;
        return true;
    }

    bool ReadRegistry(const pugi::xml_node& n) {
        for (auto keyNode : n.children("characteristic")) {
            auto parsed = platform::ParseRegistryPath(Type(keyNode));
            if (!parsed) return Fail("registry key without HKLM\\ or HKCR\\: " + text::Utf16ToUtf8(Type(keyNode)));
            if (!ReadRegistryKey(parsed->first, parsed->second, keyNode)) return false;
        }
        return true;
    }

    bool Read(const pugi::xml_node& root) {
        bool sawInstall = false;
        for (auto n : root.children("characteristic")) {
            if (IsType(n, u"Install")) {
                if (sawInstall) return Fail("two Install sections");
                if (!ReadInstall(n)) return false;
                sawInstall = true;
            }
        }
        if (!sawInstall) return Fail("no Install section");
        for (auto n : root.children("characteristic")) {
            if (IsType(n, u"FileOperation") && !ReadFileOperation(n)) return false;
            if (IsType(n, u"Registry") && !ReadRegistry(n)) return false;
        }
        return true;
    }

    SetupDocument doc;

private:
    std::string* error;
};

}  // namespace

std::vector<std::u16string> SetupDocument::Sources() const {
    std::vector<std::u16string> out;
    for (const auto& f : files) out.push_back(f.source);
    if (!setupDll.empty()) out.push_back(setupDll);
    return out;
}

std::optional<SetupDocument> ParseSetupDocument(std::string_view xml, std::string* error) {
    pugi::xml_document dom;
    // No DOCTYPE handling: external entities are never loaded.
    auto result = dom.load_buffer(xml.data(), xml.size(), pugi::parse_default & ~pugi::parse_doctype);
    if (!result) {
        if (error) *error = std::string("_setup.xml is not well-formed: ") + result.description();
        return std::nullopt;
    }
    auto root = dom.child("wap-provisioningdoc");
    if (!root) {
        if (error) *error = "_setup.xml has no wap-provisioningdoc root";
        return std::nullopt;
    }
    if (error) error->clear();
    Reader reader(error);
    if (!reader.Read(root)) return std::nullopt;
    return std::move(reader.doc);
}

std::optional<SetupDocument> ReadSetupDocument(CabArchive& cab, const std::filesystem::path& workFolder,
                                               std::string* error) {
    if (!cab.Find(u"_setup.xml")) {
        if (error) *error = "the package has no _setup.xml";
        return std::nullopt;
    }
    auto setup = cab.Extract({u"_setup.xml"}, workFolder, kMaxSetupDocument, error);
    if (!setup) return std::nullopt;
    std::ifstream in(setup->begin()->second, std::ios::binary);
    return ParseSetupDocument(std::string(std::istreambuf_iterator<char>(in), {}), error);
}

}  // namespace pkg
