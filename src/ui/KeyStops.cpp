#include "ui/KeyStops.h"

#include <algorithm>

#include "ui/IKeyControl.h"
#include "ui/IScrollView.h"
#include "ui/UIServer.h"

namespace keystops {

namespace {

Rect DrawArea(const GObject& o) {
    const Rect& r = o.GetScreenRect();
    const Rect m = o.GetDrawMargins();
    return Rect(r.x + m.x, r.y + m.y, r.width + m.width, r.height + m.height);
}

// The scroll view whose moving content `o` is, or null.
IScrollView* ViewScrolling(const GObject& o) {
    auto* view = dynamic_cast<IScrollView*>(o.Parent());
    return view && view->ScrolledContent() == &o ? view : nullptr;
}

bool TakesPart(const GObject& o) { return o.IsVisible() && o.IsTouchEnabled() && o.GetTransparency() >= 1; }

IKeyControl* AsControl(GObject& o) {
    auto* control = dynamic_cast<IKeyControl*>(&o);
    return control && control->TakesKeys() ? control : nullptr;
}

void Walk(GObject& o, bool insideStop, std::vector<GObject*>& out) {
    if (!TakesPart(o)) return;
    IKeyControl* control = AsControl(o);
    // A control inside a row is part of the row.
    const bool candidate = (o.IsTappable() || control) && !(control && insideStop);
    const bool stop = candidate && o.GetKeyRole() != GObject::KeyRole::Skip && !ViewScrolling(o);
    Rect area;
    if (stop && ReachableArea(o, area)) out.push_back(&o);
    // A control's parts (the stars, the toggler) belong to it.
    if (control) return;
    for (const auto& child : o.Children()) Walk(*child, insideStop || stop, out);
}

// How far a view must move its content so that `area` shows in `shown`
// (its top first when it is taller), within the room it has. What lies over
// the viewport's bottom hides what is under it.
int NeededScroll(const Rect& area, const Rect& shown, IScrollView& view) {
    Rect viewport = shown;
    viewport.height -= view.EndRoom();
    int dy = 0;
    if (area.y < viewport.y || area.height > viewport.height)
        dy = viewport.y - area.y;
    else if (area.Bottom() > viewport.Bottom())
        dy = viewport.Bottom() - area.Bottom();
    int least = 0, most = 0;
    view.ScrollRoom(least, most);
    return std::clamp(dy, least, most);
}

struct Placed {
    GObject* object;
    Rect place;
};

bool SameLinePlaced(const Placed& a, const Placed& b) {
    if (Holds(*a.object, *b.object) || Holds(*b.object, *a.object)) return false;
    const Placed& taller = a.place.height >= b.place.height ? a : b;
    const Placed& other = &taller == &a ? b : a;
    const int middle = other.place.y + other.place.height / 2;
    return middle >= taller.place.y && middle < taller.place.Bottom();
}

}  // namespace

bool Holds(const GObject& ancestor, const GObject& object) {
    for (const GObject* o = &object; o; o = o->Parent())
        if (o == &ancestor) return true;
    return false;
}

Rect Place(const GObject& object) {
    Rect r = object.GetScreenRect();
    for (const GObject* o = &object; o; o = o->Parent())
        if (ViewScrolling(*o)) r.y -= o->Y();
    return r;
}

bool SameLine(const GObject& a, const GObject& b) {
    return SameLinePlaced({const_cast<GObject*>(&a), Place(a)}, {const_cast<GObject*>(&b), Place(b)});
}

bool ReachableArea(const GObject& object, Rect& out, std::vector<Shift>* shifts) {
    Rect area = object.GetScreenRect();
    for (const GObject* o = &object; o && !area.IsEmpty(); o = o->Parent()) {
        if (o != &object) area = area.Intersect(DrawArea(*o));
        if (IScrollView* view = ViewScrolling(*o); view && !area.IsEmpty()) {
            const int dy = NeededScroll(area, o->Parent()->GetScreenRect(), *view);
            area.y += dy;
            if (shifts && dy != 0) shifts->push_back({view, dy});
        }
    }
    if (const UIServer* server = object.GetServer(); server && !server->GetScreen().IsEmpty())
        area = area.Intersect(server->GetScreen());
    if (area.IsEmpty()) return false;
    out = area;
    return true;
}

GObject* ScrollViewOf(const GObject& object) {
    for (const GObject* o = object.Parent(); o; o = o->Parent())
        if (ViewScrolling(*o)) return o->Parent();
    return nullptr;
}

IKeyControl* ControlOf(GObject& object) {
    if (IKeyControl* control = AsControl(object)) return control;
    for (const auto& child : object.Children())
        if (TakesPart(*child))
            if (IKeyControl* control = ControlOf(*child)) return control;
    return nullptr;
}

void SortByReading(std::vector<GObject*>& stops) {
    std::vector<Placed> placed;
    for (GObject* s : stops) placed.push_back({s, Place(*s)});
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.place.y < b.place.y; });
    stops.clear();
    for (size_t start = 0; start < placed.size();) {
        size_t end = start + 1;
        while (end < placed.size() && SameLinePlaced(placed[start], placed[end])) ++end;
        std::stable_sort(placed.begin() + static_cast<std::ptrdiff_t>(start),
                         placed.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Placed& a, const Placed& b) { return a.place.x < b.place.x; });
        for (size_t i = start; i < end; ++i) stops.push_back(placed[i].object);
        start = end;
    }
}

std::vector<GObject*> Collect(GObject& scope) {
    std::vector<GObject*> stops;
    // A scope that is hidden or takes no touches (a page waiting for an
    // answer, or sliding) offers nothing to the keys either.
    for (const GObject* o = scope.Parent(); o; o = o->Parent())
        if (!TakesPart(*o)) return stops;
    Walk(scope, false, stops);
    SortByReading(stops);
    return stops;
}

}  // namespace keystops
