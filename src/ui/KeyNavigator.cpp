#include "ui/KeyNavigator.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <cstdlib>

#include "ui/IKeyControl.h"
#include "ui/IKeyLit.h"
#include "ui/IScrollView.h"
#include "ui/ITextInput.h"
#include "ui/Key.h"
#include "ui/KeyFrame.h"
#include "ui/KeyStops.h"
#include "ui/Surface.h"
#include "ui/UIServer.h"

using keystops::Holds;
using keystops::SameLine;
using keystops::ScrollViewOf;

namespace {

int IndexOf(const std::vector<GObject*>& stops, const GObject* object) {
    auto it = std::find(stops.begin(), stops.end(), object);
    return it == stops.end() ? -1 : static_cast<int>(it - stops.begin());
}

// How far the scroll views must move to show the object whole (0: it shows
// whole now), and which way the innermost one must go: 1 when the object
// lies above its viewport, -1 below, 0 in it.
int ScrollNeeded(const GObject& object, int* side = nullptr) {
    Rect area;
    std::vector<keystops::Shift> shifts;
    if (!keystops::ReachableArea(object, area, &shifts)) return INT_MAX;
    int total = 0;
    for (const auto& s : shifts) total += std::abs(s.dy);
    if (side) *side = shifts.empty() ? 0 : (shifts.front().dy > 0 ? 1 : -1);
    return total;
}

// A quarter of the view stays in sight from one page to the next.
int PageOf(const GObject& view) { return std::max(1, view.Height() * 3 / 4); }

// Less than a page between two stops (a row and the next, a caption above a
// text box) is no text to be read page by page: the next stop is taken
// however tall it is, rather than the highlight dropped on a short screen.
bool Adjacent(const GObject& current, const GObject& next, const GObject& view, int direction) {
    const Rect a = keystops::Place(current), b = keystops::Place(next);
    const int gap = direction > 0 ? b.y - a.Bottom() : a.y - b.Bottom();
    return gap <= PageOf(view);
}

// The stop's top, and a quarter of the view or all of the stop, show.
bool TopInSight(const GObject& stop, GObject& viewObject) {
    auto* view = dynamic_cast<IScrollView*>(&viewObject);
    Rect shown = viewObject.GetScreenRect();
    if (view) shown.height -= view->EndRoom();
    const Rect r = stop.GetScreenRect();
    return r.y >= shown.y && r.y + std::min(r.height, shown.height / 4) <= shown.Bottom();
}

bool CanScroll(GObject* view, int direction) {
    auto* v = dynamic_cast<IScrollView*>(view);
    if (!v) return false;
    int least = 0, most = 0;
    v->ScrollRoom(least, most);
    return direction > 0 ? least < 0 : most > 0;
}

bool ScrollPage(GObject* view, int direction) {
    auto* v = dynamic_cast<IScrollView*>(view);
    return v && v->ScrollContentBy(-direction * PageOf(*view)) != 0;
}

// The first shown scroll view under `object` that can still move that way.
GObject* FirstScrollView(GObject& object, int direction) {
    if (!object.IsVisible()) return nullptr;
    if (CanScroll(&object, direction)) return &object;
    for (const auto& child : object.Children())
        if (GObject* found = FirstScrollView(*child, direction)) return found;
    return nullptr;
}

// What a finger at `p` would tap, by the rules of touch dispatch.
GObject* HitTarget(GObject& object, Point p) {
    if (!object.IsVisible() || !object.IsTouchEnabled() || !object.GetScreenRect().Contains(p)) return nullptr;
    for (size_t i = object.Children().size(); i-- > 0;)
        if (GObject* hit = HitTarget(*object.Children()[i], p)) return hit;
    return object.IsTappable() ? &object : nullptr;
}

bool IsTextInput(const GObject* object) { return dynamic_cast<const ITextInput*>(object) != nullptr; }

}  // namespace

void KeyNavigator::SetScope(const shared_ptr<GObject>& newScope, Order newOrder) {
    // A page covered by the next one finds its highlight where it was left
    // when it comes back on top; pages that left the tree are forgotten.
    std::erase_if(covered, [](const Covered& c) { return !c.scope->GetServer(); });
    if (!newScope)
        covered.clear();
    else if (scope && scope->GetServer() && highlight && lastIndex >= 0)
        covered.push_back({scope, lastIndex});
    Drop();
    scope = newScope;
    order = std::move(newOrder);
    readingView = nullptr;
    lastIndex = -1;
    pending = keysOnly && scope;
    auto back = std::find_if(covered.begin(), covered.end(), [&](const Covered& c) { return c.scope == scope; });
    if (back == covered.end()) return;
    lastIndex = back->index;
    pending = true;
    covered.erase(back);
}

void KeyNavigator::SetModal(const shared_ptr<GObject>& layer) {
    if (modal == layer) return;
    if (highlight) InvalidateFrame(*highlight);
    modal = layer;
    // The box took the keyboard with it; the text box under the highlight
    // is typed into again.
    if (!modal && highlight && Attached(*highlight) && IsTextInput(highlight.get()) && !highlight->IsFocused())
        highlight->SetFocused(true);
}

std::vector<GObject*> KeyNavigator::Stops() const {
    if (!scope) return {};
    std::vector<GObject*> stops = keystops::Collect(*scope);
    if (order) order(stops);
    // A page that takes no input (waiting, sliding) offers none of them.
    for (const GObject* o = scope.get(); o; o = o->Parent())
        if (!o->IsVisible() || !o->IsTouchEnabled()) return stops;
    for (const shared_ptr<GObject>& t : trailing)
        if (t && t->IsTouchEnabled() && Attached(*t)) stops.push_back(t.get());
    return stops;
}

bool KeyNavigator::IsTrailing(const GObject* object) const {
    return object && std::any_of(trailing.begin(), trailing.end(), [&](const auto& t) { return t.get() == object; });
}

size_t KeyNavigator::PageStopCount(const std::vector<GObject*>& stops) const {
    return static_cast<size_t>(std::count_if(stops.begin(), stops.end(), [&](GObject* s) { return !IsTrailing(s); }));
}

bool KeyNavigator::OnKey(const Key& key) {
    if (modal) {
        // A popup box answers to its soft keys only; its text scrolls.
        if (key.code == Key::Up || key.code == Key::Down) {
            const int direction = key.code == Key::Down ? 1 : -1;
            ScrollPage(FirstScrollView(*modal, direction), direction);
        }
        return key.code == Key::Up || key.code == Key::Down || key.code == Key::Left || key.code == Key::Right ||
               key.code == Key::Enter;
    }
    if (!scope) return false;
    // A highlight due on the page (it arrived, or was rebuilt, since the
    // last frame) is placed before the key acts: the key moves on from it
    // whether or not a frame came in between, however busy the device.
    Resolve();
    switch (key.code) {
    case Key::Up: return Vertical(-1);
    case Key::Down: return Vertical(1);
    case Key::Left:
    case Key::Right: return Horizontal(key);
    case Key::Enter: return Enter();
    default: return false;
    }
}

GObject* KeyNavigator::Current(const std::vector<GObject*>& stops) const {
    if (highlight && IndexOf(stops, highlight.get()) >= 0) return highlight.get();
    // A text box the stylus put the cursor in is where the keys start.
    GObject* focus = server.GetFocus().get();
    return focus && IndexOf(stops, focus) >= 0 ? focus : nullptr;
}

GObject* KeyNavigator::Start(const std::vector<GObject*>& all) const {
    std::vector<GObject*> stops;
    std::copy_if(all.begin(), all.end(), std::back_inserter(stops), [&](GObject* s) { return !IsTrailing(s); });
    for (GObject* s : stops)
        if (s->GetKeyRole() == GObject::KeyRole::Start) return s;
    std::vector<GObject*> shown;
    for (GObject* s : stops)
        if (ScrollNeeded(*s) == 0) shown.push_back(s);
    const std::vector<GObject*>& pool = shown.empty() ? stops : shown;
    if (pool.empty()) return nullptr;
    for (GObject* s : pool)
        if (IsTextInput(s)) return s;
    // The page's body rather than its title bar.
    for (GObject* s : pool)
        if (ScrollViewOf(*s)) return s;
    return pool.front();
}

// The stops outside the page lie where the page's end shows, not beside a
// row: a row taller than the short list it is in spans their height, and
// they would be taken for its line and never reached.
bool KeyNavigator::OneLine(const GObject& a, const GObject& b) const {
    return IsTrailing(&a) == IsTrailing(&b) && SameLine(a, b);
}

GObject* KeyNavigator::NextLine(const std::vector<GObject*>& stops, int from, int direction) const {
    const GObject& current = *stops[static_cast<size_t>(from)];
    const int n = static_cast<int>(stops.size());
    int i = from + direction;
    while (i >= 0 && i < n && OneLine(current, *stops[static_cast<size_t>(i)])) i += direction;
    if (i < 0 || i >= n) return nullptr;
    // Up lands on the first stop of the line above, as Down does below.
    while (direction < 0 && i > 0 && OneLine(*stops[static_cast<size_t>(i - 1)], *stops[static_cast<size_t>(i)])) --i;
    return stops[static_cast<size_t>(i)];
}

// Nothing highlighted while a view is read page by page: the first stop of
// that view that is not behind the way the keys go.
GObject* KeyNavigator::FirstInView(const std::vector<GObject*>& stops, int direction) const {
    GObject* view = readingView && Attached(*readingView) ? readingView.get() : nullptr;
    auto fits = [&](GObject* s) {
        if (view && !Holds(*view, *s)) return false;
        int side = 0;
        ScrollNeeded(*s, &side);
        return direction > 0 ? side <= 0 : side >= 0;
    };
    if (direction > 0) {
        for (GObject* s : stops)
            if (fits(s)) return s;
        return nullptr;
    }
    for (size_t i = stops.size(); i-- > 0;)
        if (fits(stops[i])) return stops[i];
    return nullptr;
}

GObject* KeyNavigator::PagingView(GObject* next, GObject* current, int direction) const {
    if (next)
        if (GObject* view = ScrollViewOf(*next)) return view;
    if (current)
        if (GObject* view = ScrollViewOf(*current)) return view;
    if (readingView && Attached(*readingView)) return readingView.get();
    return FirstScrollView(*scope, direction);
}

bool KeyNavigator::Vertical(int direction) {
    const std::vector<GObject*> stops = Stops();
    if (stops.empty()) {
        Page(FirstScrollView(*scope, direction), direction);
        return true;
    }
    GObject* current = Current(stops);
    if (!current && !readingView) {
        // The first arrow only shows where the keys are; a page with no
        // stops of its own is read first.
        if (GObject* start = Start(stops)) {
            MoveTo(start, stops);
            return true;
        }
    }
    if (current && PageThrough(*current, direction)) return true;
    GObject* next = current ? NextLine(stops, IndexOf(stops, current), direction) : FirstInView(stops, direction);
    if (next && IsTrailing(next) && !IsTrailing(current)) {
        if (direction > 0) return ToTrailing(current, *next, stops);
        if (!current) next = nullptr;  // Up on an unmarked page reads it upwards
    }
    GObject* view = PagingView(next, current, direction);
    if (next && (!view || !CanScroll(view, direction) || ScrollNeeded(*next) <= PageOf(*view) ||
                 (current && Adjacent(*current, *next, *view, direction)))) {
        MoveTo(next, stops);
        return true;
    }
    if (Page(view, direction)) {
        // A highlight the page does not carry (on the title bar) would stay
        // put while the page moves under it, and what is typed would go to a
        // link, not to the box in sight: the stop the page brought into
        // sight takes it.
        if (next && current && !Holds(*view, *current) && TopInSight(*next, *view)) MoveTo(next, stops);
        return true;
    }
    // The view is at its end and none of its stops came into sight: go on
    // to whatever lies beyond it (the title bar above, a bar below).
    if (!current && view) MoveTo(Beyond(*view, stops, direction), stops);
    return true;
}

// The rest of a highlighted stop that the view hides the way the keys go
// shows before the highlight moves on: a page at a time.
bool KeyNavigator::PageThrough(GObject& current, int direction) {
    GObject* viewObject = ScrollViewOf(current);
    auto* view = dynamic_cast<IScrollView*>(viewObject);
    if (!view) return false;
    Rect shown = viewObject->GetScreenRect();
    shown.height -= view->EndRoom();
    const Rect r = current.GetScreenRect();
    const int hidden = direction > 0 ? r.Bottom() - shown.Bottom() : shown.y - r.y;
    if (hidden <= 0) return false;
    return view->ScrollContentBy(-direction * std::min(hidden, PageOf(*viewObject))) != 0;
}

// The page's views reach their ends (the room left under the overlay
// included) before the keys leave the page for the stops after it.
bool KeyNavigator::ToTrailing(GObject* current, GObject& next, const std::vector<GObject*>& stops) {
    GObject* viewObject = current ? ScrollViewOf(*current) : nullptr;
    if (!viewObject) viewObject = FirstScrollView(*scope, 1);
    if (auto* view = dynamic_cast<IScrollView*>(viewObject))
        if (view->ScrollContentBy(-PageOf(*viewObject)) != 0) return true;
    MoveTo(&next, stops);
    return true;
}

GObject* KeyNavigator::Beyond(GObject& view, const std::vector<GObject*>& stops, int direction) const {
    const Rect placed = keystops::Place(view);
    if (direction < 0) {
        for (size_t i = stops.size(); i-- > 0;)
            if (!Holds(view, *stops[i]) && keystops::Place(*stops[i]).y < placed.y) return stops[i];
        return nullptr;
    }
    for (GObject* s : stops)
        if (!Holds(view, *s) && (keystops::Place(*s).y >= placed.Bottom() || IsTrailing(s))) return s;
    return nullptr;
}

bool KeyNavigator::Page(GObject* view, int direction) {
    if (!view || !ScrollPage(view, direction)) return false;
    if (highlight && ScrollNeeded(*highlight) != 0) Drop();
    if (!highlight) readingView = view;
    return true;
}

bool KeyNavigator::Horizontal(const Key& key) {
    const std::vector<GObject*> stops = Stops();
    GObject* current = Current(stops);
    if (!current) {
        if (!readingView && !stops.empty()) MoveTo(Start(stops), stops);
        return true;
    }
    if (IKeyControl* control = keystops::ControlOf(*current); control && control->OnHighlightKey(key)) return true;
    const int from = IndexOf(stops, current);
    const int to = from + (key.code == Key::Right ? 1 : -1);
    if (to >= 0 && to < static_cast<int>(stops.size()) && OneLine(*current, *stops[static_cast<size_t>(to)]))
        MoveTo(stops[static_cast<size_t>(to)], stops);
    return true;
}

bool KeyNavigator::Enter() {
    const std::vector<GObject*> stops = Stops();
    GObject* current = Current(stops);
    if (!current) return false;
    Key enter;
    enter.code = Key::Enter;
    if (IKeyControl* control = keystops::ControlOf(*current); control && control->OnHighlightKey(enter)) return true;
    if (IsTextInput(current) && !current->IsFocused()) {
        current->SetFocused(true);
        return true;
    }
    if (!tapper) return false;
    // The object shows whole before the finger goes down on it.
    MoveTo(current, stops);
    tapper(TapPoint(*current, stops));
    return true;
}

// Where a finger taps the object: its middle, unless something else (a
// button inside a row) would take the tap there.
Point KeyNavigator::TapPoint(GObject& object, const std::vector<GObject*>& stops) const {
    Rect area;
    if (!keystops::ReachableArea(object, area)) area = object.GetScreenRect();
    const Point middle{area.x + area.width / 2, area.y + area.height / 2};
    const GObject* root = server.GetRoot().get();
    if (!root) return middle;
    for (int fy : {2, 1, 3})
        for (int fx : {2, 1, 3}) {
            const Point p{area.x + area.width * fx / 4, area.y + area.height * fy / 4};
            GObject* hit = HitTarget(*const_cast<GObject*>(root), p);
            if (hit == &object || (hit && Holds(object, *hit) && IndexOf(stops, hit) < 0)) return p;
        }
    return middle;
}

void KeyNavigator::MoveTo(GObject* object, const std::vector<GObject*>& stops) {
    if (!object) return;
    Rect area;
    std::vector<keystops::Shift> shifts;
    if (keystops::ReachableArea(*object, area, &shifts))
        for (const auto& s : shifts) s.view->ScrollContentBy(s.dy);
    SetHighlight(object);
    lastIndex = IndexOf(stops, object);
    readingView = nullptr;
    pending = false;
}

void KeyNavigator::SetHighlight(GObject* object) {
    if (highlight.get() != object) {
        if (highlight) {
            InvalidateFrame(*highlight);
            if (auto* lit = dynamic_cast<IKeyLit*>(highlight.get())) lit->ShowKeyLit(false);
        }
        if (auto* lit = dynamic_cast<IKeyLit*>(object)) lit->ShowKeyLit(true);
        // Leaving a text box ends the typing there.
        if (GObject* focus = server.GetFocus().get(); focus && focus != object) server.SetFocus(shared_ptr<GObject>());
        highlight = object;
        if (onHighlight) onHighlight(object);
    }
    if (!object) return;
    InvalidateFrame(*object);
    if (IsTextInput(object) && !object->IsFocused()) object->SetFocused(true);
}

void KeyNavigator::Drop() {
    if (!highlight) return;
    shared_ptr<GObject> gone = highlight;
    highlight = nullptr;
    if (onHighlight) onHighlight(nullptr);
    InvalidateFrame(*gone);
    if (auto* lit = dynamic_cast<IKeyLit*>(gone.get())) lit->ShowKeyLit(false);
    if (IsTextInput(gone.get()) && gone->IsFocused()) gone->SetFocused(false);
}

void KeyNavigator::OnStylus() {
    Drop();
    readingView = nullptr;
    lastIndex = -1;
    pending = false;
}

bool KeyNavigator::Attached(const GObject& object) const {
    if (!scope || object.GetServer() != &server) return false;
    const bool outside = IsTrailing(&object);
    if (!outside && !Holds(*scope, object)) return false;
    for (const GObject* o = &object; o && (outside || o != scope.get()); o = o->Parent())
        if (!o->IsVisible()) return false;
    return true;
}

void KeyNavigator::Resolve() {
    if (!scope || modal) return;
    if (highlight && !Attached(*highlight)) {
        // Its page was rebuilt (new data, a new language): the stop at the
        // same place takes over.
        highlight = nullptr;
        pending = true;
    }
    if (!pending) return;
    // A page sliding in waits until it has arrived: half of it is still
    // beside the screen.
    const Rect& page = scope->GetScreenRect();
    if (page.Intersect(server.GetScreen()) != page) return;
    const std::vector<GObject*> stops = Stops();
    if (PageStopCount(stops) == 0) return;  // the page takes no input yet
    GObject* target = lastIndex >= 0 ? stops[std::min<size_t>(static_cast<size_t>(lastIndex), stops.size() - 1)]
                                     : Start(stops);
    MoveTo(target, stops);
}

namespace {

Rect Grown(const Rect& r, int by) { return Rect(r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by); }

}  // namespace

void KeyNavigator::InvalidateFrame(GObject& object) const {
    server.Invalidate(Grown(object.GetScreenRect(), KeyFrameWidth()));
}

void KeyNavigator::DrawFrame(Surface& surface) const {
    if (!highlight || modal || !Attached(*highlight)) return;
    const GObject& object = *highlight;
    // A row at the edge of its list keeps its ring inside the list.
    Rect shown = server.GetScreen();
    for (const GObject* a = object.Parent(); a; a = a->Parent()) {
        const Rect& r = a->GetScreenRect();
        const Rect m = a->GetDrawMargins();
        shown = shown.Intersect(Rect(r.x + m.x, r.y + m.y, r.width + m.width, r.height + m.height));
    }
    const Rect ring = Grown(object.GetScreenRect(), KeyFrameWidth()).Intersect(shown);
    if (ring.IsEmpty()) return;
    surface.PushClip(ring.Intersect(surface.GetClipRect()));
    const Point saved = surface.GetOrigin();
    surface.SetOrigin(ring.x, ring.y);
    DrawKeyFrame(surface, ring.width, ring.height, object.GetTransparency());
    surface.SetOrigin(saved.x, saved.y);
    surface.PopClip();
    // What lies over every page (the strip's close button) stays over the
    // ring of a row that runs under it.
    const Rect over = server.OverlayArea();
    if (over.IsEmpty() || !over.Intersects(ring) || !server.GetRoot()) return;
    for (const shared_ptr<GObject>& child : server.GetRoot()->Children())
        if (child.get() != &object && child->GetScreenRect() == over) child->DrawTree(surface);
}
