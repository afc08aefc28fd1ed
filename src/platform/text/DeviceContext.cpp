#include "platform/text/DeviceContext.h"

#include <algorithm>

#include "platform/imaging/Pixel565.h"

namespace platform::text {

namespace {

constexpr char32_t kEllipsis = 0x2026;

struct Char {
    char32_t code;
    bool underline;
};
using Line = std::vector<Char>;

// UTF-16 to code points; a lone surrogate becomes U+FFFD. `units`, when
// given, receives how many UTF-16 units each code point took.
std::u32string Decode(std::u16string_view s, std::vector<uint8_t>* units = nullptr) {
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        uint8_t n = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
            n = 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        out.push_back(c);
        if (units) units->push_back(n);
    }
    return out;
}

// '&' underlines the next character and "&&" is a literal ampersand, unless
// the caller asked for no prefix handling.
Line ApplyPrefix(const std::u32string& text, bool prefix) {
    Line out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (prefix && text[i] == U'&') {
            if (i + 1 >= text.size()) break;
            ++i;
            out.push_back(Char{text[i], text[i] != U'&'});
            continue;
        }
        out.push_back(Char{text[i], false});
    }
    return out;
}

int32_t Advance(Font& font, char32_t c) { return font.GetGlyph(c).advance; }

int32_t Width(Font& font, const Line& line) {
    int32_t w = 0;
    for (const Char& c : line) w += Advance(font, c.code);
    return w;
}

void TrimTrailingSpaces(Line& line) {
    while (!line.empty() && line.back().code == U' ') line.pop_back();
}

// Greedy wrapping at spaces (and after hyphens); a word wider than the whole
// line is broken between characters rather than running out of the rectangle.
void Wrap(Font& font, const Line& para, int32_t maxWidth, std::vector<Line>& out) {
    size_t i = 0;
    if (para.empty()) {
        out.emplace_back();
        return;
    }
    while (i < para.size()) {
        size_t start = i, next = para.size(), end = para.size();
        size_t breakEnd = 0, breakNext = 0;  // the last place the line may end
        int32_t w = 0;
        for (size_t j = start; j < para.size(); ++j) {
            int32_t adv = Advance(font, para[j].code);
            if (w + adv > maxWidth && j > start && para[j].code != U' ') {
                if (breakEnd > start) {
                    end = breakEnd;
                    next = breakNext;
                } else {
                    end = next = j;
                }
                break;
            }
            if (para[j].code == U' ') {
                breakEnd = j;
                breakNext = j + 1;
            } else if (para[j].code == U'-' && j > start) {
                breakEnd = breakNext = j + 1;
            }
            w += adv;
        }
        Line line(para.begin() + static_cast<ptrdiff_t>(start), para.begin() + static_cast<ptrdiff_t>(end));
        TrimTrailingSpaces(line);
        out.push_back(std::move(line));
        i = next;
        while (i < para.size() && para[i].code == U' ') ++i;
    }
}

// Cuts the line so that it and the ellipsis fit `maxWidth`.
void Ellipsize(Font& font, Line& line, int32_t maxWidth, bool always) {
    if (!always && Width(font, line) <= maxWidth) return;
    int32_t budget = maxWidth - Advance(font, kEllipsis);
    int32_t w = 0;
    size_t keep = 0;
    while (keep < line.size() && w + Advance(font, line[keep].code) <= budget) w += Advance(font, line[keep++].code);
    line.resize(keep);
    TrimTrailingSpaces(line);
    line.push_back(Char{kEllipsis, false});
}

std::vector<Line> BreakLines(Font& font, const Line& text, uint32_t format, int32_t maxWidth) {
    std::vector<Line> lines;
    const bool single = format & kSingleLine;
    Line para;
    auto flush = [&]() {
        if (format & kWordBreak && !single)
            Wrap(font, para, maxWidth, lines);
        else
            lines.push_back(para);
        para.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i].code;
        if (c == U'\r' || c == U'\n') {
            if (single) {
                para.push_back(Char{U' ', false});
                continue;
            }
            if (c == U'\r' && i + 1 < text.size() && text[i + 1].code == U'\n') ++i;
            flush();
            continue;
        }
        if (c == U'\t') {
            int n = (format & kExpandTabs) ? 8 : 1;
            for (int k = 0; k < n; ++k) para.push_back(Char{U' ', false});
            continue;
        }
        para.push_back(Char{c < 0x20 ? U' ' : c, text[i].underline});
    }
    flush();
    return lines;
}

}  // namespace

void DeviceContext::Attach(uint16_t* newPixels, int32_t w, int32_t h) {
    pixels = newPixels;
    width = newPixels ? w : 0;
    height = newPixels ? h : 0;
    ClearClip();
}

void DeviceContext::SetClip(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    clip = TextRect{left, top, right, bottom};
    clipSet = true;
}

void DeviceContext::ClearClip() {
    clip = TextRect{};
    clipSet = false;
}

void DeviceContext::SetViewportOrigin(int32_t x, int32_t y) {
    originX = x;
    originY = y;
}

Font* DeviceContext::SelectFont(Font* newFont) {
    Font* old = font;
    font = newFont;
    return old;
}

Font& DeviceContext::CurrentFont() const { return font ? *font : SystemFont(); }

TextRect DeviceContext::EffectiveClip(const TextRect* logicalClip) const {
    TextRect r{0, 0, width, height};
    auto cut = [&r](const TextRect& o) {
        r.left = std::max(r.left, o.left);
        r.top = std::max(r.top, o.top);
        r.right = std::min(r.right, o.right);
        r.bottom = std::min(r.bottom, o.bottom);
    };
    if (clipSet) cut(clip);
    if (logicalClip)
        cut(TextRect{logicalClip->left + originX, logicalClip->top + originY, logicalClip->right + originX,
                     logicalClip->bottom + originY});
    return r;
}

void DeviceContext::DrawRun(const std::u32string& chars, const std::vector<bool>* underlined, int32_t x, int32_t y,
                            const TextRect& box) {
    if (!pixels || box.left >= box.right || box.top >= box.bottom) return;
    Font& f = CurrentFont();
    const uint16_t color = pixel565::FromColorRef(textColor);
    const int32_t baseline = y + f.Ascent();
    auto put = [&](int32_t px, int32_t py, int cov) {
        if (px < box.left || px >= box.right || py < box.top || py >= box.bottom || cov == 0) return;
        uint16_t& p = pixels[static_cast<size_t>(py) * static_cast<size_t>(width) + static_cast<size_t>(px)];
        p = cov >= 255 ? color : pixel565::Blend(p, color, cov);
    };
    int32_t pen = x;
    for (size_t i = 0; i < chars.size(); ++i) {
        const Glyph& g = f.GetGlyph(chars[i]);
        int32_t gx = pen + g.left, gy = baseline - g.top;
        // Skip glyphs wholly outside the clip without touching their pixels.
        if (gx < box.right && gx + g.width > box.left && gy < box.bottom && gy + g.rows > box.top)
            for (int32_t row = 0; row < g.rows; ++row)
                for (int32_t col = 0; col < g.width; ++col)
                    put(gx + col, gy + row, g.coverage[static_cast<size_t>(row) * g.width + col]);
        if (f.Description().underline || (underlined && (*underlined)[i]))
            for (int32_t t = 0; t < f.UnderlineThickness(); ++t)
                for (int32_t px = pen; px < pen + g.advance; ++px) put(px, baseline + f.UnderlinePosition() + t, 255);
        pen += g.advance;
    }
}

int32_t DeviceContext::DrawText(std::u16string_view text, TextRect& rect, uint32_t format) {
    Font& f = CurrentFont();
    const int32_t boxWidth = rect.right - rect.left, boxHeight = rect.bottom - rect.top;
    std::vector<Line> lines = BreakLines(f, ApplyPrefix(Decode(text), !(format & kNoPrefix)), format, boxWidth);
    const int32_t lineHeight = f.LineHeight();
    const bool ellipsis = format & (kEndEllipsis | kWordEllipsis);
    if (ellipsis && !(format & kCalcRect)) {
        // Lines that would fall below the rectangle are dropped and the last
        // one that fits says that the text goes on.
        size_t fitting = static_cast<size_t>(std::max(1, boxHeight / std::max(1, lineHeight)));
        bool cut = lines.size() > fitting && (format & kWordBreak);
        if (cut) lines.resize(fitting);
        for (size_t i = 0; i < lines.size(); ++i) Ellipsize(f, lines[i], boxWidth, cut && i + 1 == lines.size());
    }
    const int32_t total = static_cast<int32_t>(lines.size()) * lineHeight;
    if (format & kCalcRect) {
        int32_t widest = 0;
        for (const Line& l : lines) widest = std::max(widest, Width(f, l));
        if (!(format & kWordBreak) || format & kSingleLine) rect.right = rect.left + widest;
        rect.bottom = rect.top + total;
        return total;
    }
    int32_t y = rect.top;
    if (format & kVCenter)
        y = rect.top + (boxHeight - total) / 2;
    else if (format & kBottom)
        y = rect.bottom - total;
    TextRect logicalClip = rect;
    TextRect box = EffectiveClip(format & kNoClip ? nullptr : &logicalClip);
    for (const Line& line : lines) {
        int32_t w = Width(f, line);
        int32_t x = rect.left;
        if (format & kCenter)
            x = rect.left + (boxWidth - w) / 2;
        else if (format & kRight)
            x = rect.right - w;
        std::u32string chars;
        std::vector<bool> underlined;
        for (const Char& c : line) {
            chars.push_back(c.code);
            underlined.push_back(c.underline);
        }
        DrawRun(chars, &underlined, x + originX, y + originY, box);
        y += lineHeight;
    }
    return total;
}

bool DeviceContext::ExtTextOut(int32_t x, int32_t y, std::u16string_view text, const TextRect* clipRect) {
    if (!pixels) return false;
    DrawRun(Decode(text), nullptr, x + originX, y + originY, EffectiveClip(clipRect));
    return true;
}

TextSize DeviceContext::GetTextExtent(std::u16string_view text) const {
    Font& f = CurrentFont();
    TextSize size{0, f.LineHeight()};
    for (char32_t c : Decode(text)) size.width += Advance(f, c);
    return size;
}

TextSize DeviceContext::GetTextExtentEx(std::u16string_view text, int32_t maxExtent, int32_t* fit,
                                        std::vector<int32_t>* extents) const {
    Font& f = CurrentFont();
    std::vector<uint8_t> units;
    std::u32string chars = Decode(text, &units);
    TextSize size{0, f.LineHeight()};
    int32_t fitted = 0;
    if (extents) extents->clear();
    for (size_t i = 0; i < chars.size(); ++i) {
        size.width += Advance(f, chars[i]);
        if (size.width <= maxExtent) fitted += units[i];
        // Both halves of a surrogate pair end where the character ends.
        if (extents)
            for (uint8_t u = 0; u < units[i]; ++u) extents->push_back(size.width);
    }
    if (fit) *fit = fitted;
    return size;
}

}  // namespace platform::text
