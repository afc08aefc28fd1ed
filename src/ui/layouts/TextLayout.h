#pragma once
#include <cstdint>

#include "ui/layouts/BaseScrolledObjectLayout.h"

// A column of word-wrapped labels, each as tall as its text at the column's
// width (the scrolling text of a popup box). Children that cannot tell their
// text's height (no ITextFit) keep the height they have.
class TextLayout : public BaseScrolledObjectLayout {
public:
    void LayoutContent(GObject* owner, int reason) override;

protected:
    // Stacks the children from half a font unit down, each `extraHeight`
    // taller than its fitted text.
    static void StackFitted(GObject* owner, int32_t extraHeight);
};
