#include "ui/layouts/AppListItemLayout.h"

#include <algorithm>

#include "ui/ITextFit.h"
#include "ui/layouts/LayoutSupport.h"

void AppListItemLayout::Apply(GObject* owner, int) {
    const LayoutMetrics& m = layout::Metrics();
    const int32_t f = m.fontUnit, ic = m.iconSize;
    const int32_t p = margin, W = owner->Width(), H = owner->Height();
    const int32_t aw = arrowWidth, ah = arrowHeight, sw = starsWidth, sh = starsHeight;
    const int32_t bottomLine = H - p - sh;
    layout::Place(*owner, Icon, Rect(p, p, ic, ic));
    layout::Place(*owner, Name, Rect(ic + 2 * p, p, W - 2 * p - ic, ic / 2));
    layout::Place(*owner, SecondLine, Rect(ic + 2 * p, p + ic / 2, W - 3 * (f + p) - aw - ic, ic / 2));
    layout::Place(*owner, Price, Rect(W - 2 * (p + 2 * f) - aw, p + ic / 2, 4 * f, ic / 2));
    layout::Place(*owner, Arrow, Rect(W - aw - p, (H - ah) / 2, aw, ah));
    layout::Place(*owner, Stars, Rect(p, bottomLine, sw, sh));
    // The installed state (right-aligned) and the vote count share the line
    // after the stars; on a narrow row the count ends where the state's text
    // begins, and gives way to it when that leaves too little.
    const int32_t votesX = sw + 2 * p;
    int32_t votesWidth = 4 * f;
    if (const auto* fit = dynamic_cast<const ITextFit*>(layout::Find(*owner, InstalledState))) {
        const int32_t stateLeft = W - aw - fit->NaturalWidth();
        const auto* votes = dynamic_cast<const ITextFit*>(layout::Find(*owner, VoteCount));
        votesWidth = std::min(votesWidth, stateLeft - p - votesX);
        if (votes && votesWidth < votes->NaturalWidth()) votesWidth = 0;
    }
    layout::Place(*owner, VoteCount, Rect(votesX, bottomLine, std::max(0, votesWidth), sh));
    layout::Place(*owner, InstalledState, Rect(W - 7 * f - aw, bottomLine, 7 * f, sh));
    layout::Place(*owner, Holder, Rect(p, bottomLine, W - 2 * p - aw, sh));
}
