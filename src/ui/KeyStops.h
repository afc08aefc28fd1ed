#pragma once
#include <vector>

#include "ui/GObject.h"
#include "ui/Rect.h"

class IKeyControl;
class IScrollView;

// Where the keys stop on a page, and in which order. A stop is an object a
// person would tap (it has Touched subscribers) or a control the arrows
// change (IKeyControl), that is shown, takes touches, and is on screen or
// would be once the scroll views holding it showed it. Scrolled contents
// themselves, objects whose key role is Skip and the parts of a control are no
// stops; a control inside a tappable row is part of that row.
namespace keystops {

// The stops under `scope` in reading order: top to bottom by lines, each line
// left to right, as if every scroll view showed its content from the top (so
// a row scrolled above the list still comes after the title bar).
std::vector<GObject*> Collect(GObject& scope);

// Sorts `stops` into reading order by their places (see Place).
void SortByReading(std::vector<GObject*>& stops);

// An object's rectangle with the scrolling of every scroll view above it
// taken back: where it lies when each content rests at its top.
Rect Place(const GObject& object);

// Two stops share a line when the vertical middle of the lower one lies
// within the taller one and neither holds the other (a row and the buttons
// inside it are two lines).
bool SameLine(const GObject& a, const GObject& b);

// The part of `object` that would be seen once every scroll view holding it
// scrolled as far as needed (and allowed) to show it; false when nothing of
// it would. `shifts`, when given, receives the scroll each of those views
// needs, innermost first.
struct Shift {
    IScrollView* view;
    int dy;
};
bool ReachableArea(const GObject& object, Rect& out, std::vector<Shift>* shifts = nullptr);

// True when the object is seen whole right now.
bool FullyShown(const GObject& object);

// The innermost scroll view holding `object` (as an object and as a view), or
// null.
GObject* ScrollViewOf(const GObject& object);

// The object as a control that takes keys: itself or the first such control
// inside it. Null when there is none.
IKeyControl* ControlOf(GObject& object);

// True when `ancestor` holds `object` (or is it).
bool Holds(const GObject& ancestor, const GObject& object);

}  // namespace keystops
