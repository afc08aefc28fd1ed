#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/htmlview/PageCanvas.h"

namespace platform::htmlview {

// The page's layout clips a box that hides its overflow but says nothing
// where it cut the box's text: a line wrapped away under the box's bottom,
// or a line that will not wrap running past its right edge, simply stops
// (an advertisement read "A handy helper for"). Told every word as it is
// drawn (in document order, so a box's lines come in order), this marks
// each such cut once with an ellipsis after the last word the box shows
// whole. Words of that line that leave it no room, and a word the right edge
// cuts through, give way to it (painted over with the background under
// them); a line of one word too long ends in the ellipsis over its end.
class TextCutMarker {
public:
    // A new paint: nothing is remembered from the last.
    void Begin();
    // An opaque background was filled: what an ellipsis that takes a word's
    // end paints over it.
    void Background(const Box& box, Colour colour);
    // `word` was drawn (or clipped away) in `font` and `colorRef`; blank runs
    // are no words.
    void Word(PageCanvas& canvas, text::Font& font, std::uint32_t colorRef, const Box& word);

private:
    struct Shown {
        Box clip, box;
        text::Font* font;
        std::uint32_t color;
    };
    void Mark(PageCanvas& canvas);
    void Erase(PageCanvas& canvas, const Box& word) const;
    Colour BackgroundUnder(const Box& box) const;

    std::vector<Shown> line;            // the words shown of the last line drawn
    std::vector<Box> marked;            // the clips that have their ellipsis
    std::vector<std::pair<Box, Colour>> backgrounds;
};

}  // namespace platform::htmlview
