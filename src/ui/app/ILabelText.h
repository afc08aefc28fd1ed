#pragma once
#include <string>

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
};
