#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/DeviceContext.h"
#include "ui/ITextInput.h"
#include "ui/Key.h"
#include "ui/Surface.h"
#include "ui/Touch.h"
#include "ui/app/InputManager.h"

// Where a text of several lines breaks when it is shown `width` pixels
// wide: at each line feed, and else after the last space that still fits (or
// inside a word longer than the whole width). `measure` gives a run's width.
struct WrappedLine {
    size_t start = 0;
    size_t length = 0;  // without the line feed that ends it
    bool operator==(const WrappedLine&) const = default;
};
std::vector<WrappedLine> WrapText(std::u16string_view text, int width,
                                  const std::function<int(std::u16string_view)>& measure);

// A text box of several lines over a label: a white field with a border,
// the text word-wrapped inside the label's insets, Enter starting a new
// line, the cursor keys moving through the lines, and the view scrolling so
// that the cursor stays in sight (a thin bar shows where the view is when
// the text is taller). Gaining the focus raises the input panel, losing it
// hides the panel. The box holds line feeds ("\n") where the user broke
// lines; what a caller sends is up to the caller.
template <class Base>
class TMultiEdit : public Base, public ITextInput {
public:
    static constexpr char16_t kBackspace = 8;
    static constexpr char16_t kLineFeed = 10;

    TMultiEdit() {
        Subscribe(this->KeyPressed(), this, &TMultiEdit::OnSelfKey);
        Subscribe(this->Touched(), this, &TMultiEdit::OnSelfTouched);
        this->SetFocusable(true);
    }

    void SetText(const std::u16string& value) {
        Base::SetText(value);
        cursor = std::min(cursor, value.size());
        ScrollToCursor();
    }
    size_t GetCursor() const { return cursor; }
    void SetCursor(size_t index) {
        cursor = std::min(index, this->text.size());
        ScrollToCursor();
        this->Invalidate();
    }
    // Pixels of text scrolled out above the view.
    int GetScroll() const { return scroll; }
    // The lines as the box shows them at its current width.
    std::vector<WrappedLine> Lines() const {
        platform::text::DeviceContext dc;
        dc.SelectFont(this->font);
        const platform::text::TextRect area = this->TextArea();
        return WrapText(this->text, area.right - area.left,
                        [&dc](std::u16string_view run) { return dc.GetTextExtent(run).width; });
    }
    int LineHeight() const {
        platform::text::DeviceContext dc;
        dc.SelectFont(this->font);
        return dc.CurrentFont().LineHeight();
    }

    // Up on the first line and Down on the last leave the box; the other
    // arrows and Enter are the box's own.
    bool KeepsKey(const Key& key) const override {
        if (key.code == Key::Up || key.code == Key::Down) {
            const std::vector<WrappedLine> lines = Lines();
            const size_t line = LineOf(lines, cursor);
            return key.code == Key::Up ? line > 0 : line + 1 < lines.size();
        }
        return key.code == Key::Left || key.code == Key::Right || key.code == Key::Enter;
    }

    void OnFocusChanged(bool focused) override {
        Base::OnFocusChanged(focused);
        if (focused)
            InputManager::Instance().Show(this->GetScreenRect().y, this->Height(), 0);
        else
            InputManager::Instance().Hide();
        this->Invalidate();
    }

    void OnResized(int dw, int dh) override {
        Base::OnResized(dw, dh);
        ScrollToCursor();
    }

    void Draw(Surface& surface) override {
        const Rect all(0, 0, this->Width(), this->Height());
        surface.FillColor(all, 255, 255, 255, this->GetTransparency());
        const uint8_t edge = this->IsFocused() ? 0x40 : 0x90;
        surface.FillColor(Rect(0, 0, all.width, 1), edge, edge, edge, 255);
        surface.FillColor(Rect(0, all.height - 1, all.width, 1), edge, edge, edge, 255);
        surface.FillColor(Rect(0, 0, 1, all.height), edge, edge, edge, 255);
        surface.FillColor(Rect(all.width - 1, 0, 1, all.height), edge, edge, edge, 255);
        Base::Draw(surface);
    }

    void DrawTextIn(Surface& surface, platform::text::DeviceContext& dc, platform::text::TextRect rect,
                    const std::u16string&) override {
        const std::vector<WrappedLine> lines = Lines();
        const int lh = dc.CurrentFont().LineHeight();
        const size_t cursorLine = LineOf(lines, cursor);
        for (size_t i = 0; i < lines.size(); ++i) {
            const int y = rect.top + static_cast<int>(i) * lh - scroll;
            if (y + lh <= rect.top || y >= rect.bottom) continue;
            const std::u16string_view run = std::u16string_view(this->text).substr(lines[i].start, lines[i].length);
            if (!run.empty()) dc.ExtTextOut(rect.left, y, run, &rect);
            if (i == cursorLine && this->IsFocused()) {
                const int x = rect.left + dc.GetTextExtent(run.substr(0, cursor - lines[i].start)).width;
                const int top = std::max(y, rect.top), bottom = std::min(y + lh, rect.bottom);
                if (bottom > top) surface.FillColor(Rect(x, top, 2, bottom - top), 0, 0, 255, 255);
            }
        }
        const int total = static_cast<int>(lines.size()) * lh, view = rect.bottom - rect.top;
        if (total > view && view > 0) {
            // The bar's length is the share of the text in view.
            const int length = std::max(4, view * view / total);
            const int top = rect.top + (view - length) * scroll / (total - view);
            surface.FillColor(Rect(this->Width() - 4, top, 3, length), 0x90, 0x90, 0x90, 255);
        }
    }

private:
    static size_t LineOf(const std::vector<WrappedLine>& lines, size_t index) {
        size_t line = 0;
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].start <= index) line = i;
        return line;
    }

    void ScrollToCursor() {
        const platform::text::TextRect area = this->TextArea();
        const int view = area.bottom - area.top;
        if (view <= 0) return;
        const std::vector<WrappedLine> lines = Lines();
        const int lh = LineHeight();
        const int top = static_cast<int>(LineOf(lines, cursor)) * lh;
        if (top < scroll) scroll = top;
        if (top + lh > scroll + view) scroll = top + lh - view;
        // Never more scrolled than the text needs, so deleting lines brings
        // the text back down.
        const int most = std::max(0, static_cast<int>(lines.size()) * lh - view);
        scroll = std::clamp(scroll, 0, most);
    }

    // The cursor one line up (-1) or down (+1), as near the same x as the
    // other line allows.
    void MoveLine(int direction) {
        const std::vector<WrappedLine> lines = Lines();
        const size_t from = LineOf(lines, cursor);
        if ((direction < 0 && from == 0) || (direction > 0 && from + 1 >= lines.size())) return;
        const size_t to = from + static_cast<size_t>(direction > 0 ? 1 : -1);
        const std::u16string_view text(this->text);
        platform::text::DeviceContext dc;
        dc.SelectFont(this->font);
        const int x = dc.GetTextExtent(text.substr(lines[from].start, cursor - lines[from].start)).width;
        SetCursor(lines[to].start + IndexAt(dc, text.substr(lines[to].start, lines[to].length), x));
    }

    // The character boundary of `run` nearest to `x`.
    static size_t IndexAt(platform::text::DeviceContext& dc, std::u16string_view run, int x) {
        size_t best = 0;
        int bestDistance = x < 0 ? -x : x;
        for (size_t i = 1; i <= run.size(); ++i) {
            const int distance = std::abs(dc.GetTextExtent(run.substr(0, i)).width - x);
            if (distance <= bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        return best;
    }

    void OnSelfTouched(shared_ptr<GObject>&, const Touch& touch) {
        if (!touch.IsDown() || !this->IsFocused()) return;
        const platform::text::TextRect area = this->TextArea();
        const int localY = touch.Current().y - this->GetScreenRect().y - area.top + scroll;
        const int localX = touch.Current().x - this->GetScreenRect().x - area.left;
        const std::vector<WrappedLine> lines = Lines();
        if (lines.empty()) return;
        const size_t line = std::min(lines.size() - 1, static_cast<size_t>(std::max(0, localY / LineHeight())));
        platform::text::DeviceContext dc;
        dc.SelectFont(this->font);
        const std::u16string_view text(this->text);
        SetCursor(lines[line].start + IndexAt(dc, text.substr(lines[line].start, lines[line].length), localX));
    }

    void OnSelfKey(shared_ptr<GObject>&, const Key& key) {
        if (!this->IsFocused()) return;
        switch (key.code) {
        case Key::Enter: Insert(kLineFeed); return;
        case Key::Left:
            if (cursor > 0) SetCursor(cursor - 1);
            return;
        case Key::Right: SetCursor(cursor + 1); return;
        case Key::Up: MoveLine(-1); return;
        case Key::Down: MoveLine(1); return;
        case Key::Delete:
            if (cursor < this->text.size()) Replace(cursor, 1, u"", cursor);
            return;
        case Key::Character:
            if (key.character == kBackspace) {
                if (cursor > 0) Replace(cursor - 1, 1, u"", cursor - 1);
            } else if (key.character >= 0x20) {
                // Control characters (the Enter key's own return included)
                // have no place in the text; Enter arrives as a key.
                Insert(key.character);
            }
            return;
        default: return;
        }
    }

    // No length limit here: a text too long for the service is refused by
    // the service with a message the user can act on, rather than cut here
    // without a word.
    void Insert(char16_t c) { Replace(cursor, 0, std::u16string(1, c), cursor + 1); }

    void Replace(size_t at, size_t count, const std::u16string& with, size_t newCursor) {
        std::u16string next = this->text;
        next.replace(at, count, with);
        Base::SetText(next);
        SetCursor(newCursor);
    }

    size_t cursor = 0;
    int scroll = 0;
};
