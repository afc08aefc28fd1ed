#pragma once
#include <cstdint>

#include "ui/Layout.h"

// One list row: an icon square on the left, the label filling the middle, an
// arrow at the right edge and an optional badge over the icon's upper right
// corner. Without an icon the label starts at the margin.
class TreeItemLayout : public Layout {
public:
    static constexpr int32_t Icon = 7000;
    static constexpr int32_t Label = 7001;
    static constexpr int32_t Arrow = 7002;
    static constexpr int32_t Badge = 7003;

    TreeItemLayout(int32_t margin, int32_t arrowWidth, int32_t arrowHeight)
        : margin(margin), arrowWidth(arrowWidth), arrowHeight(arrowHeight) {}
    void Apply(GObject* owner, int reason) override;

private:
    int32_t margin, arrowWidth, arrowHeight;
};
