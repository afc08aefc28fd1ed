#pragma once
#include "ui/Layout.h"

// The five stars of a rating, each a fifth of the width and the full height.
// A sixth child would sit beyond the right edge.
class StarsLayout : public Layout {
public:
    void Apply(GObject* owner, int reason) override;
};
