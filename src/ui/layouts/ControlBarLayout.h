#pragma once
#include <cstdint>

#include "ui/Layout.h"

// A bar of three equal buttons a third of a font unit apart, or one wide
// control shown in their place. On a bar too narrow for a shown button's
// caption (a small screen), the shown buttons take their widths from their
// captions instead, keep their order and stay at the right end, so that
// "Uninstall" reads whole; hidden buttons then take no room. Only when even
// the captions side by side do not fit do the shown buttons share the bar
// equally. A shown trailing button (cancel) sits at the right end beside the
// wide control, as wide as its caption needs and at least a third; the wide
// control keeps the rest.
class ControlBarLayout : public Layout {
public:
    static constexpr int32_t MiddleButton = 10;
    static constexpr int32_t LeftButton = 11;
    static constexpr int32_t RightButton = 12;
    static constexpr int32_t TrailingButton = 13;
    static constexpr int32_t WideControl = 15;

    void Apply(GObject* owner, int reason) override;

private:
    // False when every shown caption fits its third (nothing placed).
    static bool PlaceByCaptions(const GObject& owner, int32_t third, int32_t gap, int32_t height);
};
