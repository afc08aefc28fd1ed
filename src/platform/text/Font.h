#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Fonts of the text role: DejaVu Sans through FreeType, regular or bold.
namespace platform::text {

// What a font is asked for. `height` follows the platform's convention: a
// positive value is the cell height (ascent + descent) in pixels, a negative
// one the character (em) height, 0 the system font's height.
struct FontDescription {
    int32_t height = 0;
    int32_t weight = 400;  // 600 and above select the bold face
    bool underline = false;
};

// One rendered glyph: 8-bit coverage, placed relative to the pen position on
// the baseline.
struct Glyph {
    int32_t advance = 0;  // whole pixels, so that extents add up exactly
    int32_t left = 0;     // from the pen to the bitmap's left edge
    int32_t top = 0;      // from the baseline up to the bitmap's top row
    int32_t width = 0;
    int32_t rows = 0;
    std::vector<uint8_t> coverage;
};

class Font {
public:
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Null when the font files cannot be read.
    static std::unique_ptr<Font> Create(const FontDescription& description);

    const FontDescription& Description() const { return description; }
    int32_t Ascent() const { return ascent; }
    int32_t Descent() const { return descent; }
    int32_t LineHeight() const { return ascent + descent; }
    int32_t UnderlinePosition() const { return underlinePosition; }  // below the baseline
    int32_t UnderlineThickness() const { return underlineThickness; }

    // Rendered once per code point and kept: the glyph cache of this font.
    const Glyph& GetGlyph(char32_t codePoint);
    size_t CachedGlyphs() const { return glyphs.size(); }

private:
    struct Face;
    Font(const FontDescription& description, std::unique_ptr<Face> face);

    FontDescription description;
    std::unique_ptr<Face> face;
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t underlinePosition = 1;
    int32_t underlineThickness = 1;
    std::unordered_map<char32_t, Glyph> glyphs;
};

// The folder holding DejaVuSans.ttf: TOBRIX_FONT_DIR from the environment,
// else the folder the build was configured with.
std::string FontDirectory();

// The system font (regular weight, the emulated device's system font height
// when a device is set): what a device context draws with before a font is
// selected, and what new fonts copy their description from.
Font& SystemFont();
FontDescription SystemFontDescription();

}  // namespace platform::text
