#pragma once
#include "ui/Layout.h"

// A row of radio buttons sharing the width equally, in child order.
class HorizontRadioLayout : public Layout {
public:
    void Apply(GObject* owner, int reason) override;
};
