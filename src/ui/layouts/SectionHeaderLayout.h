#pragma once
#include <cstdint>

#include "ui/Layout.h"

// A section header of a list that offers one action for the whole section:
// the action's button sits at the right end of the bar, as wide as its
// caption needs (never more than half the bar), a little inside its top and
// bottom edges; the header's own text keeps the rest.
class SectionHeaderLayout : public Layout {
public:
    static constexpr int32_t Action = 40;

    void Apply(GObject* owner, int reason) override;
};
