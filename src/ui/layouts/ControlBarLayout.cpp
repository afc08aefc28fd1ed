#include "ui/layouts/ControlBarLayout.h"

#include <algorithm>
#include <vector>

#include "ui/ITextFit.h"
#include "ui/layouts/LayoutSupport.h"

void ControlBarLayout::Apply(GObject* owner, int) {
    const int32_t W = owner->Width(), H = owner->Height();
    const int32_t gap = layout::Metrics().fontUnit / 3;
    const int32_t bw = (W - 2 * gap) / 3;
    int32_t wide = W - 2 * gap;
    GObject* trailing = layout::Find(*owner, TrailingButton);
    if (trailing && trailing->IsVisible()) {
        const auto* text = dynamic_cast<const ITextFit*>(trailing);
        const int32_t end = 3 * bw + 2 * gap;
        const int32_t width = std::min(std::max(bw, (text ? text->NaturalWidth() : 0) + 2 * gap), end / 2);
        trailing->SetRect(Rect(end - width, 0, width, H));
        wide = end - width - gap;
    }
    layout::Place(*owner, WideControl, Rect(0, 0, wide, H));
    if (PlaceByCaptions(*owner, bw, gap, H)) return;
    layout::Place(*owner, LeftButton, Rect(0, 0, bw, H));
    layout::Place(*owner, MiddleButton, Rect(bw + gap, 0, bw, H));
    layout::Place(*owner, RightButton, Rect(2 * (bw + gap), 0, bw, H));
}

bool ControlBarLayout::PlaceByCaptions(const GObject& owner, int32_t third, int32_t gap, int32_t height) {
    // A caption needs its text and a gap of air on either side.
    std::vector<GObject*> shown;
    std::vector<int32_t> needs;
    bool allFit = true;
    for (int32_t id : {LeftButton, MiddleButton, RightButton}) {
        GObject* button = layout::Find(owner, id);
        if (!button || !button->IsVisible()) continue;
        const auto* text = dynamic_cast<const ITextFit*>(button);
        shown.push_back(button);
        needs.push_back((text ? text->NaturalWidth() : 0) + 2 * gap);
        allFit = allFit && needs.back() <= third;
    }
    if (allFit) return false;
    const int32_t n = static_cast<int32_t>(shown.size());
    const int32_t room = 3 * third + 2 * gap - (n - 1) * gap;  // the thirds' span less the gaps between
    int32_t total = 0;
    std::vector<int32_t> widths(needs.size());
    for (size_t i = 0; i < needs.size(); ++i) total += widths[i] = std::max(needs[i], third);
    if (total > room) {
        // Narrower than a third where the caption allows, the slack shared out.
        total = 0;
        for (int32_t need : needs) total += need;
        const int32_t spare = (room - total) / n;
        for (size_t i = 0; i < needs.size(); ++i) widths[i] = spare >= 0 ? needs[i] + spare : room / n;
        total = 0;
        for (int32_t width : widths) total += width;
    }
    int32_t x = 3 * third + 2 * gap - total - (n - 1) * gap;
    for (size_t i = 0; i < shown.size(); ++i) {
        shown[i]->SetRect(Rect(x, 0, widths[i], height));
        x += widths[i] + gap;
    }
    return true;
}
