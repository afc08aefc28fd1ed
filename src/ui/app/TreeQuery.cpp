#include "ui/app/TreeQuery.h"

#include <cxxabi.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

#include "base/Text.h"
#include "ui/UIServer.h"
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
void Find(GObject& object, const std::function<bool(const std::u16string&)>& matches, GObject*& found) {
    if (!object.IsVisible() || object.GetTransparency() < 1) return;
    std::u16string t;
    Rect area;
    if (LabelText(object, t) && matches(t) && VisibleArea(object, area)) found = &object;
    for (const auto& child : object.Children()) Find(*child, matches, found);
}

// Every shown label with this text, in drawing order.
void FindAll(GObject& object, const std::u16string& text, std::vector<GObject*>& found) {
    if (!object.IsVisible() || object.GetTransparency() < 1) return;
    std::u16string t;
    Rect area;
    if (LabelText(object, t) && t == text && VisibleArea(object, area)) found.push_back(&object);
    for (const auto& child : object.Children()) FindAll(*child, text, found);
}

// What the tree draws of an object: its rectangle widened by its draw margins.
Rect DrawArea(const GObject& object) {
    const Rect& r = object.GetScreenRect();
    const Rect m = object.GetDrawMargins();
    return Rect(r.x + m.x, r.y + m.y, r.width + m.width, r.height + m.height);
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

bool VisibleArea(const GObject& object, Rect& out) {
    if (!IsShown(object)) return false;
    Rect area = object.GetScreenRect();
    for (const GObject* o = object.Parent(); o && !area.IsEmpty(); o = o->Parent()) area = area.Intersect(DrawArea(*o));
    if (const UIServer* server = object.GetServer(); server && !server->GetScreen().IsEmpty())
        area = area.Intersect(server->GetScreen());
    if (area.IsEmpty()) return false;
    out = area;
    return true;
}

GObject* FindLabel(GObject& root, const std::u16string& text) {
    GObject* found = nullptr;
    Find(root, [&text](const std::u16string& t) { return t == text; }, found);
    return found;
}

GObject* FindLabelStarting(GObject& root, const std::u16string& start) {
    GObject* found = nullptr;
    Find(root, [&start](const std::u16string& t) { return t.starts_with(start); }, found);
    return found;
}

GObject* FindLabelBelow(GObject& root, const std::u16string& anchor, const std::u16string& text) {
    GObject* anchorLabel = FindLabel(root, anchor);
    if (!anchorLabel) return nullptr;
    const int top = anchorLabel->GetScreenRect().y;
    std::vector<GObject*> matches;
    FindAll(root, text, matches);
    GObject* best = nullptr;
    for (GObject* m : matches) {
        const int y = m->GetScreenRect().y;
        if (y >= top && (!best || y < best->GetScreenRect().y)) best = m;
    }
    return best;
}

nlohmann::json Dump(const GObject& object, int dx, int dy) {
    const Rect& r = object.GetScreenRect();
    Rect shown;
    nlohmann::json j{
        {"type", TypeName(object)},
        {"id", object.GetId()},
        {"rect", {r.x + dx, r.y + dy, r.width, r.height}},
        {"visible", object.IsVisible()},
        {"onScreen", VisibleArea(object, shown)},
        {"focusable", object.IsFocusable()},
        {"focused", object.IsFocused()},
        {"pressed", object.IsPressed()},
        {"transparency", object.GetTransparency()},
    };
    if (const UIServer* server = object.GetServer(); server && server->Keys().Highlight().get() == &object)
        j["keyFocus"] = true;
    std::u16string text;
    if (LabelText(object, text)) {
        j["text"] = U8(text);
        j["cut"] = dynamic_cast<const ILabelText&>(object).IsTextCut();
    }
    nlohmann::json children = nlohmann::json::array();
    for (const auto& child : object.Children()) children.push_back(Dump(*child, dx, dy));
    j["children"] = std::move(children);
    return j;
}

}  // namespace treequery
