#pragma once
#include <cstdint>

#include "ui/Layout.h"

// The header bar of a scene: back link, separator and title in one line, and
// an optional square icon at the right end. The widths are the texts' natural
// widths; when the back link and title together do not fit, the title keeps
// its width while the back link keeps at least a quarter of the bar, and the
// back link takes the rest. Both stay on the bar, the path to tap included; a
// text longer than its part is cut with an ellipsis.
class SimpleHeaderLayout : public Layout {
public:
    static constexpr int32_t Title = -801;
    static constexpr int32_t BackLink = -802;
    static constexpr int32_t Separator = -803;
    static constexpr int32_t RightIcon = -804;

    SimpleHeaderLayout(int32_t backWidth, int32_t separatorWidth, int32_t titleWidth, int32_t margin)
        : backWidth(backWidth), separatorWidth(separatorWidth), titleWidth(titleWidth), margin(margin) {}
    void Apply(GObject* owner, int reason) override;

private:
    // Fixed at construction: every run starts from the natural widths, so a
    // header cut on a narrow screen is whole again on a wider one.
    int32_t backWidth, separatorWidth, titleWidth, margin;
};
