#pragma once

// Implemented by objects whose size follows their text (labels, review
// items): the column layouts give such an object a width and ask it how tall
// its text is when word-wrapped to that width, insets included.
class ITextFit {
public:
    virtual ~ITextFit() = default;
    virtual int FittedHeight(int width) const = 0;
    // The width its text takes on one line, insets included: what a bar of
    // buttons needs to know to give each caption room for its whole text.
    virtual int NaturalWidth() const = 0;
};
