#include "ui/app/TreeQuery.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "base/Text.h"
#include "ui/app/ILabelText.h"

namespace treequery {

namespace {

std::string TypeName(const GObject& object) {
    const char* mangled = typeid(object).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(mangled);
}

// Later children are drawn on top: the last match in drawing order wins.
void Find(GObject& object, const std::u16string& text, GObject*& found) {
    if (!object.IsVisible() || object.GetTransparency() < 1) return;
    std::u16string t;
    if (LabelText(object, t) && t == text) found = &object;
    for (const auto& child : object.Children()) Find(*child, text, found);
}

}  // namespace

bool LabelText(const GObject& object, std::u16string& out) {
    auto* label = dynamic_cast<const ILabelText*>(&object);
    if (!label) return false;
    out = label->GetLabelText();
    return true;
}

bool IsShown(const GObject& object) {
    for (const GObject* o = &object; o; o = o->Parent())
        if (!o->IsVisible() || o->GetTransparency() < 1) return false;
    return true;
}

GObject* FindLabel(GObject& root, const std::u16string& text) {
    GObject* found = nullptr;
    Find(root, text, found);
    return found;
}

nlohmann::json Dump(const GObject& object) {
    const Rect& r = object.GetScreenRect();
    nlohmann::json j{
        {"type", TypeName(object)},
        {"id", object.GetId()},
        {"rect", {r.x, r.y, r.width, r.height}},
        {"visible", object.IsVisible()},
        {"focusable", object.IsFocusable()},
        {"focused", object.IsFocused()},
        {"pressed", object.IsPressed()},
        {"transparency", object.GetTransparency()},
    };
    std::u16string text;
    if (LabelText(object, text)) j["text"] = U8(text);
    nlohmann::json children = nlohmann::json::array();
    for (const auto& child : object.Children()) children.push_back(Dump(*child));
    j["children"] = std::move(children);
    return j;
}

}  // namespace treequery
