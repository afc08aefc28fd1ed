#pragma once
#include <cstdint>

#include "ui/Layout.h"

// The sliding strip inside a switch: the "on" background, the "off"
// background overlapping it, and the toggler, a third of the strip wide,
// where the two meet. The viewport shows two thirds of the strip at a time.
class SwitchLayout : public Layout {
public:
    void Apply(GObject* owner, int reason) override;
    int32_t TogglerWidth() const { return togglerWidth; }

private:
    int32_t togglerWidth = 0;  // kept from the last run
};
