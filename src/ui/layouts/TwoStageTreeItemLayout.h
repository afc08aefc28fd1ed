#pragma once
#include <cstdint>

#include "ui/Layout.h"

// A list row with two text lines beside the icon (a name and a detail), and
// an arrow at the right edge.
class TwoStageTreeItemLayout : public Layout {
public:
    static constexpr int32_t UpperLine = 8979;
    static constexpr int32_t LowerLine = 8980;
    static constexpr int32_t Arrow = 8981;
    static constexpr int32_t Icon = 8982;

    TwoStageTreeItemLayout(int32_t margin, int32_t arrowWidth, int32_t arrowHeight)
        : margin(margin), arrowWidth(arrowWidth), arrowHeight(arrowHeight) {}
    void Apply(GObject* owner, int reason) override;

private:
    int32_t margin, arrowWidth, arrowHeight;
};
