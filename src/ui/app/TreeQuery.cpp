#include "ui/app/TreeQuery.h"

#include <cxxabi.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

#include "base/Text.h"
#include "ui/IScrollView.h"
#include "ui/KeyStops.h"
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

namespace {

struct ShownText {
    const GObject* object;
    std::u16string text;
    Rect ink;  // window coordinates, cut to what shows
};

std::string Named(const GObject& object, const std::u16string& text) {
    std::string name = TypeName(object);
    name = name.substr(0, name.find('<'));
    return name + " #" + std::to_string(object.GetId()) + (text.empty() ? "" : " \"" + U8(text) + "\"");
}

bool Within(const GObject& object, int32_t id) {
    for (const GObject* o = &object; o; o = o->Parent())
        if (o->GetId() == id) return true;
    return false;
}

void GatherTexts(const GObject& object, std::vector<ShownText>& texts) {
    if (!object.IsVisible() || object.GetTransparency() < 1) return;
    Rect area;
    std::u16string text;
    if (LabelText(object, text) && !text.empty() && VisibleArea(object, area)) {
        const Rect& r = object.GetScreenRect();
        const Rect ink = dynamic_cast<const ILabelText&>(object).InkArea().Offset(r.x, r.y);
        if (const Rect shown = ink.Intersect(area); !shown.IsEmpty()) texts.push_back({&object, text, shown});
    }
    for (const auto& child : object.Children()) GatherTexts(*child, texts);
}

const GObject* FindId(const GObject& object, int32_t id) {
    if (object.GetId() == id) return &object;
    for (const auto& child : object.Children())
        if (const GObject* found = FindId(*child, id)) return found;
    return nullptr;
}

// A label cut where the room from its left edge to the screen's right edge
// holds its whole text has been given less than the screen has.
void CutFaults(const std::vector<ShownText>& texts, int32_t screenRight, std::vector<std::string>& faults) {
    for (const ShownText& t : texts) {
        const auto& label = dynamic_cast<const ILabelText&>(*t.object);
        const int room = screenRight - t.object->GetScreenRect().x, need = label.OneLineWidth();
        if (label.IsTextCut() && !label.IsCutAllowed() && need <= room)
            faults.push_back(Named(*t.object, t.text) + " is cut: it needs " + std::to_string(need) + " px, is given " +
                             std::to_string(t.object->GetScreenRect().width) + " of the " + std::to_string(room) +
                             " to the screen's edge");
    }
}

void OverlapFaults(const std::vector<ShownText>& texts, std::vector<std::string>& faults) {
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t j = i + 1; j < texts.size(); ++j)
            if (!texts[i].ink.Intersect(texts[j].ink).IsEmpty())
                faults.push_back(Named(*texts[i].object, texts[i].text) + " and " +
                                 Named(*texts[j].object, texts[j].text) + " are drawn over each other");
}

// A stop under what lies over the pages' bottom (the strip's close button)
// is a fault where the screen could show it clear: fixed content, which
// nothing moves, or a stop no taller than the room above the button whose
// list has scrolled to its end (that list keeps room there for it) or that
// the keys have just shown. A list row taller than that room (the short
// Smartphone screens) cannot clear the button and passes under it.
bool CouldShowClear(const GObject& stop, const Rect& over, bool highlighted) {
    GObject* viewObject = keystops::ScrollViewOf(stop);
    auto* view = dynamic_cast<IScrollView*>(viewObject);
    if (!view) return true;
    if (stop.GetScreenRect().height > over.y - viewObject->GetScreenRect().y) return false;
    int least = 0, most = 0;
    view->ScrollRoom(least, most);
    return highlighted || least == 0;
}

// Nothing a person would tap lies under the strip, whatever the screen.
void CoveredFaults(const GObject& root, GObject& top, const LayoutIds& ids, std::vector<std::string>& faults) {
    const UIServer* server = root.GetServer();
    const Rect over = server ? server->OverlayArea() : Rect();
    const GObject* lit = server ? server->Keys().Highlight().get() : nullptr;
    Rect strip;
    if (const GObject* link = FindId(root, ids.strip)) VisibleArea(*link, strip);
    for (GObject* stop : keystops::Collect(top)) {
        Rect area;
        if (Within(*stop, ids.closeButton) || Within(*stop, ids.strip) || !VisibleArea(*stop, area)) continue;
        const bool underStrip = !area.Intersect(strip).IsEmpty();
        if (!underStrip && (area.Intersect(over).IsEmpty() || !CouldShowClear(*stop, over, stop == lit))) continue;
        std::u16string text;
        if (GObject* label = FindLabelStarting(*stop, u"")) LabelText(*label, text);
        faults.push_back(Named(*stop, text) + " lies under the " +
                         (underStrip ? "advertising strip" : "strip's close button"));
    }
}

}  // namespace

std::vector<std::string> LayoutFaults(GObject& root, const LayoutIds& ids) {
    // A modal layer dims all under it: the person reads the box alone.
    GObject* top = &root;
    for (const auto& child : root.Children())
        if (child->GetId() == ids.modalLayer && IsShown(*child)) top = child.get();
    std::vector<ShownText> texts;
    GatherTexts(*top, texts);
    const UIServer* server = root.GetServer();
    const bool screenKnown = server && !server->GetScreen().IsEmpty();
    std::vector<std::string> faults;
    CutFaults(texts, screenKnown ? server->GetScreen().Right() : root.GetScreenRect().Right(), faults);
    OverlapFaults(texts, faults);
    CoveredFaults(root, *top, ids, faults);
    return faults;
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
