#pragma once

// Implemented by objects whose height follows their text (labels, review
// items): the column layouts give such an object a width and ask it how tall
// its text is when word-wrapped to that width, insets included.
class ITextFit {
public:
    virtual ~ITextFit() = default;
    virtual int FittedHeight(int width) const = 0;
};
