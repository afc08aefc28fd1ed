#pragma once
#include <cstdint>

#include "ui/Layout.h"

// One application row of a catalog list: the icon (the system's icon size),
// name and second line beside it, the price above the arrow, and a bottom
// line of stars, vote count and installed state. The compact rows of the
// installed-applications screen put one holder where that bottom line is.
class AppListItemLayout : public Layout {
public:
    static constexpr int32_t Icon = 20;
    static constexpr int32_t Name = 21;
    static constexpr int32_t SecondLine = 22;
    static constexpr int32_t Arrow = 23;
    static constexpr int32_t Stars = 24;
    static constexpr int32_t VoteCount = 25;
    static constexpr int32_t Price = 26;
    static constexpr int32_t InstalledState = 27;
    static constexpr int32_t Holder = 30;

    AppListItemLayout(int32_t margin, int32_t arrowWidth, int32_t arrowHeight, int32_t starsWidth, int32_t starsHeight)
        : margin(margin), arrowWidth(arrowWidth), arrowHeight(arrowHeight), starsWidth(starsWidth),
          starsHeight(starsHeight) {}
    void Apply(GObject* owner, int reason) override;

private:
    int32_t margin, arrowWidth, arrowHeight, starsWidth, starsHeight;
};
