#include "ui/scenes/SingleLayout.h"

#include "ui/GObject.h"

void SingleLayout::SetMargins(int left, int top, int right, int bottom) {
    marginLeft = left;
    marginTop = top;
    marginRight = right;
    marginBottom = bottom;
    Update(LayoutRelayout);
}

int SingleLayout::Place(int align, int start, int area, int size) {
    if (align == Centre) return start + (area - size) / 2;
    if (align == End) return start + area - size;
    return start;
}

void SingleLayout::Apply(GObject* owner, int /*reason*/) {
    const Rect area(marginLeft, marginTop, owner->Width() - marginLeft - marginRight,
                    owner->Height() - marginTop - marginBottom);
    for (const shared_ptr<GObject>& child : std::vector<shared_ptr<GObject>>(owner->Children())) {
        if (stretch) {
            child->SetRect(area);
            continue;
        }
        child->SetPosition(Place(horizontalAlign, area.x, area.width, child->Width()),
                           Place(verticalAlign, area.y, area.height, child->Height()));
    }
}
