#pragma once
#include <string>

// Implemented by objects that show a text of their own (labels, captions,
// text boxes): scripts find and tap them by that text, and tree dumps show it.
class ILabelText {
public:
    virtual ~ILabelText() = default;
    virtual std::u16string GetLabelText() const = 0;
};
