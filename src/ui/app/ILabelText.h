#pragma once
#include <string>

#include "ui/Rect.h"

// Implemented by objects that show a text of their own (labels, captions,
// text boxes): scripts find and tap them by that text, and tree dumps show it.
class ILabelText {
public:
    virtual ~ILabelText() = default;
    virtual std::u16string GetLabelText() const = 0;
    // True when that text does not fit the area it is drawn in (a line ends
    // in an ellipsis, or wrapped lines run past the bottom): tree dumps report
    // it so that a small screen's cut captions can be caught by a script.
    virtual bool IsTextCut() const { return false; }
    // Where the glyphs of that text lie, in the object's own coordinates, and
    // the width the whole text takes on one line, insets included: a layout
    // check finds texts drawn over each other, and texts cut although the
    // screen has room for them.
    virtual Rect InkArea() const { return Rect(); }
    virtual int OneLineWidth() const { return 0; }

    // A fixed layout that must cut this text on the smallest screens says so
    // where it builds the label, with its reason; the layout check accepts
    // the cut of such a label and no other.
    void AllowCut(bool allowed = true) { cutAllowed = allowed; }
    bool IsCutAllowed() const { return cutAllowed; }

private:
    bool cutAllowed = false;
};
