#pragma once
#include "ui/Layout.h"

// Base of the layouts of scrolled content: after the content is placed, the
// owner's height follows it, so that the scroll view above knows how far it
// can scroll. Content taller than the visible area gets a bottom margin equal
// to its top margin (capped at 100 pixels), so that the last item does not
// stick to the screen's edge when scrolled to the end.
class BaseScrolledObjectLayout : public Layout {
public:
    void Apply(GObject* owner, int reason) final;
    virtual void LayoutContent(GObject* owner, int reason) = 0;
};
