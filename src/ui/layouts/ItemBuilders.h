#pragma once
#include <string>

#include "ui/GObject.h"

// Fill a list row with the children of one of the row layouts and give it
// that layout; each returns the row. Images come from the image pool and are
// shared between rows. Arrows keep their natural size, doubled on dense
// screens (LayoutMetrics::DoublesImages); an empty image name adds no image.
namespace ItemBuilders {

// Icon, one vertically centred label and an arrow (TreeItemLayout). A badge,
// when a screen shows one, is added by the screen.
shared_ptr<GObject> TreeItem(const shared_ptr<GObject>& row, const std::u16string& text,
                             const std::u16string& iconName, const std::u16string& arrowName);

// Icon, a plain upper line, a bold lower line and an arrow
// (TwoStageTreeItemLayout).
shared_ptr<GObject> TwoStageItem(const shared_ptr<GObject>& row, const std::u16string& upperText,
                                 const std::u16string& lowerText, const std::u16string& iconName,
                                 const std::u16string& arrowName);

// Icon and label of a settings row (SwitchItemLayout); the caller adds the
// switch itself under SwitchItemLayout::Switch.
shared_ptr<GObject> SwitchRow(const shared_ptr<GObject>& row, const std::u16string& text,
                              const std::u16string& iconName);

}  // namespace ItemBuilders
