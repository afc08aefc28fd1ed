#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/text/Font.h"

// Text drawing onto a 16-bit RGB 5-6-5 pixel buffer, with the platform's
// text calls: formatted drawing into a rectangle, plain output at a point,
// extents and per-character extents. Glyphs are anti-aliased and blended in
// the text colour; the background is left as it is.
namespace platform::text {

// Format flags of DrawText, with the platform's values.
enum Format : uint32_t {
    kLeft = 0x0,
    kCenter = 0x1,
    kRight = 0x2,
    kTop = 0x0,
    kVCenter = 0x4,
    kBottom = 0x8,
    kWordBreak = 0x10,
    kSingleLine = 0x20,
    kExpandTabs = 0x40,
    kNoClip = 0x100,
    kCalcRect = 0x400,
    kNoPrefix = 0x800,
    kEndEllipsis = 0x8000,
    kWordEllipsis = 0x40000,
};

struct TextRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct TextSize {
    int32_t width = 0;
    int32_t height = 0;
};

class DeviceContext {
public:
    // The buffer (width x height pixels, stride = width) text is drawn into.
    void Attach(uint16_t* pixels, int32_t width, int32_t height);

    // Clip in buffer coordinates (right and bottom exclusive).
    void SetClip(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void ClearClip();
    // Added to every logical coordinate given to the drawing calls.
    void SetViewportOrigin(int32_t x, int32_t y);

    // Returns the previously selected font; null selects the system font.
    Font* SelectFont(Font* font);
    Font& CurrentFont() const;
    // 0x00BBGGRR.
    void SetTextColor(uint32_t colorRef) { textColor = colorRef; }
    uint32_t GetTextColor() const { return textColor; }

    // Draws (or with kCalcRect only measures) `text` in `rect`. Returns the
    // height of the text; with kCalcRect the rectangle is adjusted to the
    // text's extent (its width kept when words wrap).
    int32_t DrawText(std::u16string_view text, TextRect& rect, uint32_t format);
    // One line at (x, y), its top-left corner; no prefix handling, clipped to
    // `clipRect` (logical coordinates) when given.
    bool ExtTextOut(int32_t x, int32_t y, std::u16string_view text, const TextRect* clipRect = nullptr);
    TextSize GetTextExtent(std::u16string_view text) const;
    // `extents[i]` is the width of the first i + 1 UTF-16 units; `fit` the
    // number of units that fit in `maxExtent`.
    TextSize GetTextExtentEx(std::u16string_view text, int32_t maxExtent, int32_t* fit,
                             std::vector<int32_t>* extents) const;

private:
    void DrawRun(const std::u32string& chars, const std::vector<bool>* underlined, int32_t x, int32_t y,
                 const TextRect& clipBox);
    TextRect EffectiveClip(const TextRect* logicalClip) const;

    uint16_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    TextRect clip;
    bool clipSet = false;
    int32_t originX = 0;
    int32_t originY = 0;
    Font* font = nullptr;
    uint32_t textColor = 0;
};

}  // namespace platform::text
