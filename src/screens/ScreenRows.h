#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/layouts/TableLayout.h"
#include "ui/widgets/WidgetTypes.h"
#include "ui/widgets/Switch.h"

// Rows and forms of the search, settings, feedback and About screens, styled
// like the catalog's lists so that every screen of the store looks alike.
class ScreenRows {
public:
    // A row with an icon, a plain upper line, a bold lower line and an
    // optional arrow. Returns the row; its lower line is `lower`.
    static shared_ptr<widgets::RowButton> AddTwoStageRow(GObject& list, const std::u16string& upper,
                                                         const std::u16string& lower, const std::u16string& icon,
                                                         bool arrow, shared_ptr<widgets::Label>* lowerLine);

    // A row with an optional icon, a label and an on/off switch; a tap
    // anywhere on the row flips the switch. With `cutAllowed` the caller
    // accepts a caption cut where the row's fixed parts leave too little room.
    static shared_ptr<Switch> AddSwitchRow(GObject& list, const std::u16string& text, const std::u16string& icon,
                                           bool cutAllowed = false);

    // The caption of a section of a list (give it a short row).
    static void AddSectionCaption(GObject& list, const std::u16string& text);

    // A scrolling form as the scene's body, laid out as a table of rows two
    // font units high; add one child per cell, in the order of `cells`.
    static shared_ptr<GObject> AddForm(GObject& root, std::vector<TableLayout::Cell> cells);

    // A blue label that turns red while pressed; the caller reacts to its taps.
    static shared_ptr<widgets::Link> NewLink(const std::u16string& text, uint32_t horizontalAlign);
};
