#pragma once
#include "ui/Layout.h"

// The busy layer: the spinning frames in the middle of the screen, the text
// right under them; the layer itself covers the whole window.
class LoadingLayout : public Layout {
public:
    enum ChildId : int { kSpinnerId = -40, kTextId = -41 };

    // `unit` is the base text height; the spinner is three units square.
    explicit LoadingLayout(int unit) : unit(unit) {}
    void Apply(GObject* owner, int reason) override;

private:
    int unit;
};
