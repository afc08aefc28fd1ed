#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ui/GObject.h"

// Questions a script asks about the drawn tree.
namespace treequery {

// The text an object shows, if it is a label of any kind.
bool LabelText(const GObject& object, std::u16string& out);

// Visible on screen: the object and all its ancestors are visible and not
// fully transparent.
bool IsShown(const GObject& object);

// The part of the object a person can see, in window coordinates: its
// rectangle cut by every ancestor's drawing area (children are drawn clipped
// to their parents) and by the screen. False when that part is empty or the
// object is not shown, e.g. a label of a scene waiting off-screen.
bool VisibleArea(const GObject& object, Rect& out);

// The topmost label on screen with exactly this text (the one drawn last),
// or null. Labels that are hidden, clipped away or off-screen do not count.
GObject* FindLabel(GObject& root, const std::u16string& text);

// The topmost shown label whose text starts with `start`: a row whose count
// differs from device to device ("Games(18)", "Games(12)").
GObject* FindLabelStarting(GObject& root, const std::u16string& start);

// The shown label with this text that is nearest below the top of the shown
// label `anchor` (its top at or under the anchor's), or null: picks a button
// of one row when every row has a button of that name.
GObject* FindLabelBelow(GObject& root, const std::u16string& anchor, const std::u16string& text);

// What a picky person would call wrong with the screen as shown, one line
// each, naming the object and its text: a label cut although the room from
// its left edge to the screen's right edge holds its whole text (unless its
// layout allows the cut), two texts drawn over each other, a key stop under
// the advertising strip, or under its close button where the screen could
// show it clear. Only what is on screen counts; while a modal layer is
// shown, only what it holds.
struct LayoutIds {
    int32_t closeButton, strip, modalLayer;
};
std::vector<std::string> LayoutFaults(GObject& root, const LayoutIds& ids);

// Every object: type, id, rectangle, visible, on screen (see VisibleArea),
// focusable, focused, pressed, transparency, label text and whether it is
// cut, children; the object under the key highlight also has "keyFocus":
// true. Rectangles are in window coordinates moved by (dx, dy):
// scripts pass the window's place on the screen, so that a dumped rectangle
// and a tap speak of the same pixels.
nlohmann::json Dump(const GObject& root, int dx = 0, int dy = 0);

}  // namespace treequery
