#pragma once
#include "ui/IRestore.h"
#include "ui/Layout.h"

class GObject;

// Lays out a vertical scroll view: the content (id -200) keeps its y and its
// own height and takes the view's width, and the thumb (id -201) shows which
// part of the content is visible. Afterwards the view brings its scroll
// position back into range for the content's new height.
//
// The layout is owned by the scroll view it restores, so it holds that view
// by a plain pointer.
class VScrollLayout : public Layout {
public:
    enum ChildId : int { ContentId = -200, ThumbId = -201 };

    explicit VScrollLayout(IRestore* restorer) : restorer(restorer) {}
    void Apply(GObject* owner, int reason) override;

    // Places the thumb for the content's current position (the view calls it
    // on every move of the content).
    static void PlaceThumb(GObject& owner);

private:
    IRestore* restorer;
};
