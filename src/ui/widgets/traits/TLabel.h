#pragma once
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/text/DeviceContext.h"
#include "ui/FontManager.h"
#include "ui/GObject.h"
#include "ui/ITextFit.h"
#include "ui/Surface.h"
#include "ui/app/ILabelText.h"
#include "ui/widgets/traits/FireFrom.h"

// Adds a text to the object, drawn inside its insets with the platform's
// alignment flags, on one line (cut with an ellipsis) or word-wrapped.
// Fading the object fades the text towards white, since text has no alpha.
template <class Base>
class TLabel : public Base, public ITextFit, public ILabelText {
public:
    using TextChangedEvent = Delegation_2<shared_ptr<GObject>&, const std::u16string&>;
    // The platform's text alignment flags.
    enum HorizontalAlign : uint32_t { Left = 0, Centre = 1, Right = 2 };
    enum VerticalAlign : uint32_t { Top = 0, Middle = 4, Bottom = 8 };

    void SetText(const std::u16string& value) {
        if (text == value) return;
        text = value;
        FireFrom(*this, textChanged, text);
        this->Invalidate();
    }
    const std::u16string& GetText() const { return text; }
    // Null is the system font.
    void SetFont(FontManager::FontHandle value) {
        font = value;
        this->Invalidate();
    }
    FontManager::FontHandle GetFont() const { return font; }
    // A GDI colour value, 0x00BBGGRR.
    void SetColor(uint32_t colorRef) {
        if (color == colorRef) return;
        color = colorRef;
        this->Invalidate();
    }
    uint32_t GetColor() const { return color; }
    void SetAlign(uint32_t horizontal, uint32_t vertical) {
        horizontalAlign = horizontal;
        verticalAlign = vertical;
        this->Invalidate();
    }
    uint32_t GetHorizontalAlign() const { return horizontalAlign; }
    uint32_t GetVerticalAlign() const { return verticalAlign; }
    void SetWordWrap(bool value) {
        wordWrap = value;
        this->Invalidate();
    }
    bool IsWordWrapped() const { return wordWrap; }
    // Label insets; an image below has insets of its own.
    void SetInsets(int left, int top, int right, int bottom) {
        insetLeft = left;
        insetTop = top;
        insetRight = right;
        insetBottom = bottom;
        this->Invalidate();
    }
    shared_ptr<TextChangedEvent>& TextChanged() {
        if (!textChanged) textChanged = new TextChangedEvent();
        return textChanged;
    }

    // The area the text is drawn in, in the object's own coordinates.
    platform::text::TextRect TextArea() const {
        return platform::text::TextRect{insetLeft, insetTop, this->Width() - insetRight,
                                        this->Height() - insetBottom};
    }

    int FittedHeight(int width) const override {
        platform::text::DeviceContext dc;
        dc.SelectFont(font);
        platform::text::TextRect r{insetLeft, insetTop, width - insetRight, insetTop};
        int textHeight = text.empty() ? 0 : dc.DrawText(text, r, kWrapFormat | platform::text::kCalcRect);
        return textHeight + insetTop + insetBottom;
    }

    int NaturalWidth() const override {
        platform::text::DeviceContext dc;
        dc.SelectFont(font);
        const int textWidth = text.empty() ? 0 : dc.GetTextExtent(text).width;
        return textWidth + insetLeft + insetRight;
    }

    std::u16string GetLabelText() const override { return text; }

    // Measures what is shown (a text box shows its placeholder or mask), in
    // the label's own font and area.
    bool IsTextCut() const override {
        const std::u16string shown = this->GetLabelText();
        if (shown.empty()) return false;
        const platform::text::TextRect area = TextArea();
        platform::text::DeviceContext dc;
        dc.SelectFont(font);
        if (!wordWrap) return dc.GetTextExtent(shown).width > area.right - area.left;
        platform::text::TextRect r{area.left, area.top, area.right, area.top};
        return dc.DrawText(shown, r, kWrapFormat | platform::text::kCalcRect) > area.bottom - area.top;
    }

    int OneLineWidth() const override {
        const std::u16string shown = this->GetLabelText();
        platform::text::DeviceContext dc;
        dc.SelectFont(font);
        return (shown.empty() ? 0 : dc.GetTextExtent(shown).width) + insetLeft + insetRight;
    }

    // Placed as Draw places it: one line by both alignments, wrapped lines
    // from the top; neither is clipped to the label, only to its parents.
    Rect InkArea() const override {
        const std::u16string shown = this->GetLabelText();
        if (shown.empty()) return Rect();
        const platform::text::TextRect area = TextArea();
        platform::text::DeviceContext dc;
        dc.SelectFont(font);
        const platform::text::TextSize line = dc.GetTextExtent(shown);
        const int width = std::min(line.width, area.right - area.left);
        int height = line.height, top = area.top;
        if (wordWrap) {
            platform::text::TextRect r{area.left, area.top, area.right, area.top};
            height = dc.DrawText(shown, r, kWrapFormat | platform::text::kCalcRect);
        } else if (verticalAlign == Middle) {
            top += (area.bottom - area.top - height) / 2;
        } else if (verticalAlign == Bottom) {
            top = area.bottom - height;
        }
        int left = area.left;
        if (horizontalAlign == Centre) left += (area.right - area.left - width) / 2;
        if (horizontalAlign == Right) left = area.right - width;
        return Rect(left, top, width, height);
    }

    void Draw(Surface& surface) override {
        Base::Draw(surface);
        platform::text::DeviceContext& dc = surface.BeginGdi();
        platform::text::Font* previous = dc.SelectFont(font);
        dc.SetTextColor(FadedColor(color, this->GetTransparency()));
        DrawTextIn(surface, dc, TextArea(), text);
        dc.SelectFont(previous);
        surface.EndGdi();
    }

    // Draws `value` in `rect`; the text box draws its own way.
    virtual void DrawTextIn(Surface& /*surface*/, platform::text::DeviceContext& dc, platform::text::TextRect rect,
                            const std::u16string& value) {
        if (value.empty()) return;
        dc.DrawText(value, rect, Format());
    }

    // Each channel of a GDI colour mixed with white by transparency t.
    static uint32_t FadedColor(uint32_t colorRef, int t) {
        uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            int c = static_cast<int>((colorRef >> shift) & 0xFF);
            int mixed = (((c - 255) * t) >> 8) + 255;
            out |= static_cast<uint32_t>(mixed & 0xFF) << shift;
        }
        return out;
    }

protected:
    // Word break, no clipping, no prefix characters.
    static constexpr uint32_t kWrapFormat = 0x910;
    // No clipping, no prefix characters, an ellipsis where the line is cut.
    static constexpr uint32_t kLineFormat = 0x900 | 0x40000;
    uint32_t Format() const {
        return wordWrap ? (horizontalAlign | kWrapFormat) : (verticalAlign | horizontalAlign | kLineFormat);
    }

    std::u16string text;
    FontManager::FontHandle font = nullptr;
    uint32_t color = 0;
    uint32_t horizontalAlign = Left;
    uint32_t verticalAlign = Top;
    int insetLeft = 0, insetTop = 0, insetRight = 0, insetBottom = 0;
    bool wordWrap = false;
    shared_ptr<TextChangedEvent> textChanged;
};
