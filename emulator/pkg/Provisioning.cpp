#include "pkg/Provisioning.h"

#include <sstream>

#include <pugixml.hpp>

#include "base/Text.h"

namespace pkg {
namespace {

bool Is(const char* a, std::string_view b) { return text::EqualsIgnoreCase(std::string_view(a), b); }

bool WantsUninstall(const pugi::xml_node& package) {
    for (auto p : package.children("parm"))
        if (Is(p.attribute("name").value(), "uninstall")) return std::string_view(p.attribute("value").value()) == "1";
    return false;
}

}  // namespace

ProvisionOutcome ProcessProvisioningDocument(std::string_view document, const ProgressFn& progress) {
    ProvisionOutcome out;
    pugi::xml_document dom;
    auto parsed = dom.load_buffer(document.data(), document.size(), pugi::parse_default & ~pugi::parse_doctype);
    auto root = dom.child("wap-provisioningdoc");
    if (!parsed || !root) {
        out.status = ProvisionStatus::BadDocument;
        out.message = parsed ? "no wap-provisioningdoc root" : std::string("malformed document: ") + parsed.description();
        return out;
    }
    for (auto section : root.children("characteristic")) {
        if (!Is(section.attribute("type").value(), "UnInstall")) continue;
        for (auto package : section.children("characteristic")) {
            if (!WantsUninstall(package)) continue;
            std::u16string name = text::Utf8ToUtf16(package.attribute("type").value());
            PackageResult removed = RemovePackage(name, progress);
            package.append_child("parm").append_attribute("name") = "status";
            package.last_child().append_attribute("value") = removed.ok ? "0" : "1";
            if (!removed.ok) {
                out.status = ProvisionStatus::Failed;
                if (!out.message.empty()) out.message += "; ";
                out.message += removed.installName + ": " + removed.message;
            }
        }
    }
    std::ostringstream result;
    dom.save(result, "", pugi::format_raw | pugi::format_no_declaration);
    out.resultDocument = result.str();
    return out;
}

}  // namespace pkg
