#include "platform/htmlview/TextCutMarker.h"

#include <algorithm>

namespace platform::htmlview {

namespace {

bool SameBox(const Box& a, const Box& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

bool Holds(const Box& outer, const Box& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() &&
           inner.Bottom() <= outer.Bottom();
}

constexpr char16_t kEllipsis[] = u"\u2026";

}  // namespace

void TextCutMarker::Begin() {
    line.clear();
    marked.clear();
    backgrounds.clear();
}

void TextCutMarker::Background(const Box& box, Colour colour) {
    if (colour.a == 255 && !box.Empty()) backgrounds.emplace_back(box, colour);
}

void TextCutMarker::Word(PageCanvas& canvas, text::Font& font, std::uint32_t colorRef, const Box& word) {
    // Only a box of the page clips: the canvas's own edge is no cut.
    if (!canvas.Clipped()) return;
    const Box clip = canvas.Clip();
    if (std::any_of(marked.begin(), marked.end(), [&](const Box& m) { return SameBox(m, clip); })) return;
    const bool sameLine = !line.empty() && SameBox(line.back().clip, clip) && line.back().box.y == word.y;
    if (word.y >= clip.Bottom()) {
        // The first word of a line the box hides: the line above goes on.
        if (!line.empty() && SameBox(line.back().clip, clip) && line.back().box.y < word.y) Mark(canvas);
        return;
    }
    // Shown: its line lies at least half inside the box.
    if (word.y < clip.y || word.y + word.height / 2 > clip.Bottom()) return;
    if (!sameLine) line.clear();
    line.push_back(Shown{clip, word, &font, colorRef});
    if (word.Right() > clip.Right()) Mark(canvas);
}

void TextCutMarker::Mark(PageCanvas& canvas) {
    const Box clip = line.back().clip;
    text::DeviceContext& dc = canvas.Text();
    dc.SelectFont(line.back().font);
    const int width = dc.GetTextExtent(kEllipsis).width;
    while (line.size() > 1 && line.back().box.Right() + width > clip.Right()) {
        Erase(canvas, line.back().box);
        line.pop_back();
    }
    const Shown& after = line.back();
    dc.SelectFont(after.font);
    dc.SetTextColor(after.color);
    int x = after.box.Right();
    if (x + width > clip.Right()) {
        x = std::max(after.box.x, clip.Right() - width);
        Erase(canvas, Box{x, after.box.y, after.box.Right() - x, after.box.height});
    }
    dc.ExtTextOut(x, after.box.y, kEllipsis);
    dc.SelectFont(nullptr);
    marked.push_back(clip);
    line.clear();
}

void TextCutMarker::Erase(PageCanvas& canvas, const Box& word) const {
    canvas.Fill(Intersect(word, canvas.Clip()), BackgroundUnder(word));
}

// The last opaque background painted under the whole word; the page's paper
// when none was.
Colour TextCutMarker::BackgroundUnder(const Box& box) const {
    for (auto it = backgrounds.rbegin(); it != backgrounds.rend(); ++it)
        if (Holds(it->first, box)) return it->second;
    return Colour{255, 255, 255, 255};
}

}  // namespace platform::htmlview
