#pragma once
#include <cstdint>

#include "ui/Layout.h"

// A settings row: icon, label and an on/off switch at the right edge. The
// switch is always six font units by two, whatever the row was built with,
// so that every switch of a screen has the same size. The label takes what
// the icon and the switch leave; a caption longer than that is cut.
class SwitchItemLayout : public Layout {
public:
    static constexpr int32_t Label = 8990;
    static constexpr int32_t Switch = 8991;
    static constexpr int32_t Icon = 8992;

    explicit SwitchItemLayout(int32_t margin, int32_t switchWidth = 0, int32_t switchHeight = 0)
        : margin(margin), switchWidth(switchWidth), switchHeight(switchHeight) {}
    void Apply(GObject* owner, int reason) override;

private:
    int32_t margin, switchWidth, switchHeight;
};
