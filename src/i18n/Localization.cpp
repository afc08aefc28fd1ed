#include "i18n/Localization.h"

#include <pugixml.hpp>

#include "base/Text.h"
#include "platform/system/SystemInfo.h"

namespace {

// The file is read with pugixml's default options: no document type
// declaration is processed and only the five predefined entities and
// character references are expanded, so nothing outside the file is ever
// fetched or substituted, whatever the file declares.
constexpr unsigned kParseOptions = pugi::parse_default;

// Locale ids are hexadecimal; "041f" and "041F" name the same language.
bool SameLocaleId(std::u16string_view a, std::u16string_view b) { return text::EqualsIgnoreCase(a, b); }

std::u16string Attr(const pugi::xml_node& node, const char* name, bool* present = nullptr) {
    pugi::xml_attribute a = node.attribute(name);
    if (present) *present = static_cast<bool>(a);
    return a ? U16(a.value()) : std::u16string();
}

// Reads the declared languages. False when a declaration lacks one of its
// three attributes: that ends the loading.
bool ReadLanguages(const pugi::xml_node& languagesNode, std::map<std::u16string, Localization::Language>& out) {
    for (pugi::xml_node node = languagesNode.child("language"); node; node = node.next_sibling("language")) {
        bool hasId = false, hasName = false, hasTitle = false;
        std::u16string id = Attr(node, "id", &hasId);
        std::u16string name = Attr(node, "name", &hasName);
        std::u16string title = Attr(node, "title", &hasTitle);
        if (!hasId || !hasName || !hasTitle) return false;
        auto [it, inserted] = out.try_emplace(name);
        if (inserted || it->second.id.empty()) {
            it->second.id = std::move(id);
            it->second.title = std::move(title);
        }
    }
    return true;
}

void ReadStrings(const pugi::xml_node& stringsNode, std::map<std::u16string, Localization::Language>& out) {
    for (pugi::xml_node entry = stringsNode.first_child(); entry; entry = entry.next_sibling()) {
        if (entry.type() != pugi::node_element) continue;
        pugi::xml_attribute idAttr = entry.attribute("id");
        int32_t number = 0;
        if (!idAttr || !text::ParseInt(std::string_view(idAttr.value()), number)) continue;
        for (pugi::xml_node translation = entry.first_child(); translation; translation = translation.next_sibling()) {
            if (translation.type() != pugi::node_element) continue;
            pugi::xml_attribute val = translation.attribute("val");
            if (!val) break;
            out[U16(translation.name())].strings[number] = U16(val.value());
        }
    }
}

}  // namespace

std::u16string MissingStringText(int32_t number) { return u"STR_" + text::ToU16(number); }

bool Localization::Load(const std::filesystem::path& hostPath) {
    // No device (or no answer) leaves the id empty: the default language.
    std::u16string localeId;
    if (!platform::GetLocaleId(localeId)) localeId.clear();
    return Load(hostPath, localeId);
}

bool Localization::Load(const std::filesystem::path& hostPath, std::u16string_view localeId) {
    pugi::xml_document doc;
    // A document that does not parse as a whole yields nothing: half a file
    // could pair numbers with the wrong texts.
    if (!doc.load_file(hostPath.c_str(), kParseOptions)) return false;

    pugi::xml_node root = doc.child("localization");
    pugi::xml_node languagesNode = root.child("languages");
    pugi::xml_attribute defaultName = languagesNode.child("default").attribute("name");
    if (!defaultName) return false;
    if (!ReadLanguages(languagesNode, languages)) return false;

    pugi::xml_node stringsNode = root.child("strings");
    if (!stringsNode) return false;
    ReadStrings(stringsNode, languages);

    ChooseLanguage(localeId, U16(defaultName.value()));
    return true;
}

void Localization::ChooseLanguage(std::u16string_view localeId, const std::u16string& defaultName) {
    if (!localeId.empty()) {
        for (const auto& [name, language] : languages) {
            if (!language.id.empty() && SameLocaleId(language.id, localeId)) {
                currentLanguage = name;
                return;
            }
        }
    }
    SetCurrentLanguage(defaultName);
}

std::u16string Localization::Text(int32_t number) {
    // A plain find: creating an entry for an unknown current language would
    // make an empty, untitled language appear in the language choice.
    auto language = languages.find(currentLanguage);
    if (language != languages.end()) {
        auto it = language->second.strings.find(number);
        if (it != language->second.strings.end()) return it->second;
    }
    return MissingStringText(number);
}

bool Localization::SetCurrentLanguage(std::u16string_view name) {
    auto it = languages.find(std::u16string(name));
    if (it == languages.end()) return false;
    currentLanguage = it->first;
    return true;
}

void Localization::Clear() {
    languages.clear();
    currentLanguage.clear();
}
