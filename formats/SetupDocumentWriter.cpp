#include "formats/SetupDocumentWriter.h"

#include <pugixml.hpp>

#include <sstream>

namespace formats {
namespace {

pugi::xml_node Characteristic(pugi::xml_node parent, const std::string& type, bool translate = false) {
    pugi::xml_node node = parent.append_child("characteristic");
    node.append_attribute("type") = type.c_str();
    if (translate) node.append_attribute("translation") = "install";
    return node;
}

pugi::xml_node Parm(pugi::xml_node parent, const std::string& name, const std::string& value) {
    pugi::xml_node node = parent.append_child("parm");
    node.append_attribute("name") = name.c_str();
    node.append_attribute("value") = value.c_str();
    return node;
}

void AddInstall(pugi::xml_node root, const SetupLayout& layout) {
    pugi::xml_node install = Characteristic(root, "Install");
    Parm(install, "InstallPhase", "install");
    Parm(install, "AppName", layout.installName);
    Parm(install, "InstallDir", layout.installDir).append_attribute("translation") = "install";
    if (!layout.setupDll.empty()) Parm(install, "SetupDll", layout.setupDll);
}

void AddFiles(pugi::xml_node root, const SetupLayout& layout) {
    pugi::xml_node operations = Characteristic(root, "FileOperation");
    pugi::xml_node folder = Characteristic(operations, "%InstallDir%", true);
    Characteristic(folder, "MakeDir");
    for (const auto& file : layout.files)
        Parm(Characteristic(Characteristic(folder, file.target, true), "Extract"), "Source", file.source);
    if (layout.shortcuts.empty()) return;
    pugi::xml_node menu = Characteristic(operations, "%CE11%", true);
    Characteristic(menu, "MakeDir");
    for (const auto& shortcut : layout.shortcuts) {
        pugi::xml_node node = Characteristic(Characteristic(menu, shortcut.name, true), "Shortcut");
        Parm(node, "Source", "%InstallDir%\\" + shortcut.target).append_attribute("translation") = "install";
    }
}

void AddRegistry(pugi::xml_node root, const SetupLayout& layout) {
    if (layout.registry.empty()) return;
    pugi::xml_node registry = Characteristic(root, "Registry");
    for (const auto& key : layout.registry) {
        pugi::xml_node node = Characteristic(registry, key.path);
        for (const auto& value : key.values)
            Parm(node, value.name, value.value).append_attribute("datatype") = value.integer ? "integer" : "string";
    }
}

}  // namespace

bool WriteSetupDocument(const SetupLayout& layout, std::string& xml, std::string& error) {
    xml.clear();
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("wap-provisioningdoc");
    AddInstall(root, layout);
    AddFiles(root, layout);
    AddRegistry(root, layout);
    if (!layout.extraXml.empty()) {
        pugi::xml_parse_result parsed = root.append_buffer(layout.extraXml.data(), layout.extraXml.size());
        if (!parsed) {
            error = std::string("the extra characteristics are not well-formed: ") + parsed.description();
            return false;
        }
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    xml = out.str();
    return true;
}

}  // namespace formats
