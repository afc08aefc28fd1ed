#pragma once
#include <nlohmann/json.hpp>
#include <string>

#include "ui/GObject.h"

// Questions a script asks about the drawn tree.
namespace treequery {

// The text an object shows, if it is a label of any kind.
bool LabelText(const GObject& object, std::u16string& out);

// Visible on screen: the object and all its ancestors are visible and not
// fully transparent.
bool IsShown(const GObject& object);

// The topmost shown label with exactly this text (the one drawn last), or
// null.
GObject* FindLabel(GObject& root, const std::u16string& text);

// Every object: type, id, screen rectangle, visible, focusable, focused,
// pressed, transparency, label text, children.
nlohmann::json Dump(const GObject& root);

}  // namespace treequery
