#pragma once
#include "ui/Layout.h"

// Places every child in the owner's area less the margins: stretched over the
// whole area, or at its natural size by the two alignments. Used for
// centring a single panel or spinner in its parent.
class SingleLayout : public Layout {
public:
    enum Align : int { Start = 0, Centre = 1, End = 2 };

    SingleLayout(int horizontalAlign, int verticalAlign, bool stretch)
        : horizontalAlign(horizontalAlign), verticalAlign(verticalAlign), stretch(stretch) {}

    void SetMargins(int left, int top, int right, int bottom);
    void Apply(GObject* owner, int reason) override;

private:
    static int Place(int align, int start, int area, int size);

    int horizontalAlign;
    int verticalAlign;
    bool stretch;
    int marginLeft = 0;
    int marginTop = 0;
    int marginRight = 0;
    int marginBottom = 0;
};
