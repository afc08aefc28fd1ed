#include "screens/CaptionFit.h"

#include <algorithm>
#include <string_view>

#include "platform/text/DeviceContext.h"

namespace captionfit {

namespace {

using platform::text::DeviceContext;

int WidestWord(const DeviceContext& dc, std::u16string_view text) {
    int widest = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(u' ', start), text.size());
        widest = std::max(widest, dc.GetTextExtent(text.substr(start, end - start)).width);
        start = end + 1;
    }
    return widest;
}

// Wrapped lines are drawn from the top of the text area: insets of half the
// spare height put them in the middle, and draw margins let the tree repaint
// lines that reach past the label.
template <class Caption>
void Centre(Caption& label, const platform::text::TextRect& area, int textHeight) {
    const int pad = textHeight > 0 ? (label.Height() - textHeight) / 2 : 0;
    label.SetInsets(area.left, pad, label.Width() - area.right, pad);
    label.SetDrawMargins(0, std::min(pad, 0), 0, -2 * std::min(pad, 0));
}

template <class Caption>
void Fit(Caption& label, FontManager::FontHandle preferred, FontManager::FontHandle smaller, Lines lines) {
    const platform::text::TextRect area = label.TextArea();
    const int width = area.right - area.left;
    if (width <= 0 || label.Height() <= 0) return;
    const std::u16string& text = label.GetText();
    DeviceContext dc;
    dc.SelectFont(preferred);
    FontManager::FontHandle font = preferred;
    const auto wraps = [&] {
        return lines != Lines::One && dc.GetTextExtent(text).width > width && WidestWord(dc, text) <= width;
    };
    const auto wrappedHeight = [&] {
        platform::text::TextRect r{area.left, 0, area.right, 0};
        using namespace platform::text;
        return dc.DrawText(text, r, kWordBreak | kNoClip | kNoPrefix | kCalcRect);
    };
    const bool keepsOwnFont = lines == Lines::ManyFirst && wraps() && wrappedHeight() <= label.Height();
    if (smaller && !keepsOwnFont && dc.GetTextExtent(text).width > width) {
        font = smaller;
        dc.SelectFont(font);
    }
    const bool wrap = wraps();
    label.SetFont(font);
    label.SetWordWrap(wrap);
    Centre(label, area, wrap ? wrappedHeight() : 0);
}

template <class Caption>
void KeepFitted(Caption& label, FontManager::FontHandle smaller, Lines lines) {
    Caption* self = &label;
    FontManager::FontHandle preferred = label.GetFont();
    SubscribeFn(label.Resized(),
                [self, preferred, smaller, lines](shared_ptr<GObject>&, int, int) { Fit(*self, preferred, smaller, lines); });
    SubscribeFn(label.TextChanged(), [self, preferred, smaller, lines](shared_ptr<GObject>&, const std::u16string&) {
        Fit(*self, preferred, smaller, lines);
    });
    Fit(label, preferred, smaller, lines);
}

}  // namespace

void Keep(widgets::Label& label, FontManager::FontHandle smaller, Lines lines) { KeepFitted(label, smaller, lines); }
void Keep(widgets::Button& button, FontManager::FontHandle smaller, Lines lines) { KeepFitted(button, smaller, lines); }

}  // namespace captionfit
