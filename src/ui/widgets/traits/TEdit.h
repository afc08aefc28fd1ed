#pragma once
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text/DeviceContext.h"
#include "ui/ITextInput.h"
#include "ui/Key.h"
#include "ui/Surface.h"
#include "ui/Touch.h"
#include "ui/app/InputManager.h"
#include "ui/widgets/traits/ChainDriver.h"
#include "ui/widgets/traits/FireFrom.h"
#include "ui/widgets/traits/ICursorTransparency.h"

// A one-line text box over a label: a blinking cursor, typing, deletion and
// cursor keys while focused, a placeholder while empty, a numeric mode and
// password masking. Gaining the focus raises the input panel; losing it hides
// the panel and reports the text through EditFinished.
template <class Base>
class TEdit : public Base, public ICursorTransparency, public ITextInput {
public:
    using EditFinishedEvent = Delegation_2<shared_ptr<GObject>&, const std::u16string&>;
    using CursorAnimationProperty = OwnerProperty<TEdit>;

    static constexpr char16_t kBackspace = 8;
    static constexpr char16_t kTab = 9;
    static constexpr char16_t kClear = 12;
    static constexpr char16_t kReturn = 13;
    static constexpr int kBlinkFrames = 15;
    static constexpr int32_t kCursorWidth = 2;

    TEdit() : cursorDriver(this, &TEdit::GetCursorTransparency, &TEdit::SetCursorTransparency) {
        Subscribe(this->KeyPressed(), this, &TEdit::OnSelfKey);
        Subscribe(this->Touched(), this, &TEdit::OnSelfTouched);
        this->SetFocusable(true);
    }

    // The cursor stays within the new text.
    void SetText(const std::u16string& value) {
        Base::SetText(value);
        if (cursor > Length()) cursor = Length();
        SetSelection(selectionStart, selectionEnd);
    }
    void SetPlaceholder(const std::u16string& value) {
        placeholder = value;
        this->Invalidate();
    }
    const std::u16string& GetPlaceholder() const { return placeholder; }
    void SetPassword(bool value) {
        password = value;
        this->Invalidate();
    }
    bool IsPassword() const { return password; }
    void SetMaskCharacter(char16_t value) {
        maskCharacter = value;
        this->Invalidate();
    }
    char16_t GetMaskCharacter() const { return maskCharacter; }
    // Digits and one decimal separator only; also the input panel's mode.
    void SetNumeric(bool value) { numeric = value; }
    bool IsNumeric() const { return numeric; }
    void SetDecimalSeparator(char16_t value) { decimalSeparator = value; }
    void SetMaxLength(int value) { maxLength = value < 0 ? 0 : value; }
    int GetMaxLength() const { return maxLength; }
    void SetSecondText(const std::u16string& value) { secondText = value; }
    const std::u16string& GetSecondText() const { return secondText; }
    void SetPlaceholderColor(uint32_t colorRef) { placeholderColor = colorRef; }

    int GetCursor() const { return cursor; }
    void SetCursor(int index) {
        cursor = Clamp(index);
        this->Invalidate();
    }
    void SetSelection(int start, int end) {
        selectionStart = Clamp(start);
        selectionEnd = Clamp(end);
        this->Invalidate();
    }
    int GetSelectionStart() const { return selectionStart; }
    int GetSelectionEnd() const { return selectionEnd; }

    shared_ptr<EditFinishedEvent>& EditFinished() {
        if (!editFinished) editFinished = new EditFinishedEvent();
        return editFinished;
    }
    const shared_ptr<ComplexStatesChain<int>>& GetCursorChain() const { return cursorDriver.Chain(); }

    int GetCursorTransparency() const override { return cursorTransparency; }
    void SetCursorTransparency(int value) override {
        cursorTransparency = value;
        if (this->IsFocused()) this->Invalidate();
    }

    // The cursor keys and Enter; Up and Down leave the box.
    bool KeepsKey(const Key& key) const override {
        return key.code == Key::Left || key.code == Key::Right || key.code == Key::Enter;
    }

    // What the box shows: the mask for a password, the placeholder when
    // empty. Scripts and tree dumps see this, never a password.
    std::u16string GetLabelText() const override { return this->text.empty() ? placeholder : ShownText(); }
    std::u16string ShownText() const {
        if (password && !this->text.empty()) return std::u16string(this->text.size(), maskCharacter);
        return this->text;
    }

    void OnFocusChanged(bool focused) override {
        Base::OnFocusChanged(focused);
        if (focused) {
            cursorDriver.Chain()->Unlock();
            cursor = Length();
            RestartBlink();
            InputManager::Instance().Show(this->GetScreenRect().y, this->Height(), numeric ? 1 : 0);
        } else {
            FireFrom(*this, editFinished, this->text);
            InputManager::Instance().Hide();
            cursorDriver.Stop();
            cursorDriver.Chain()->Lock();
        }
    }

    void DrawTextIn(Surface& surface, platform::text::DeviceContext& dc, platform::text::TextRect rect,
                    const std::u16string&) override {
        const bool empty = this->text.empty();
        const std::u16string shown = empty ? placeholder : ShownText();
        if (empty) dc.SetTextColor(Base::FadedColor(placeholderColor, this->GetTransparency()));
        std::vector<int32_t> extents;
        const int32_t width = shown.empty() ? 0 : dc.GetTextExtentEx(shown, INT32_MAX, nullptr, &extents).width;
        const int32_t lineHeight = dc.CurrentFont().LineHeight();
        const Point at = TextOrigin(rect, width, lineHeight);
        if (!shown.empty()) dc.ExtTextOut(at.x, at.y, shown, &rect);
        if (!this->IsVisible() || !this->IsFocused()) return;
        if (empty) extents.clear();  // the cursor and selection belong to the text
        if (selectionStart != selectionEnd) {
            int32_t a = at.x + Boundary(extents, selectionStart), b = at.x + Boundary(extents, selectionEnd);
            if (a > b) std::swap(a, b);
            surface.FillColor(Rect(a, at.y, b - a, lineHeight), 200, 200, 200, 127);
        }
        // The bar follows the character before it: centred on the boundary
        // it would cover that character's last column ("calc" read "cald").
        // Before the first character it stands in the margin, if there is one.
        const int32_t x = cursor > 0 ? at.x + Boundary(extents, cursor) : std::max(0, at.x - kCursorWidth);
        surface.FillColor(Rect(x, at.y, kCursorWidth, lineHeight), 0, 0, 255, cursorTransparency);
    }

    // Where a tap at `localX` (object coordinates) puts the cursor: the
    // character boundary nearest to it.
    int CursorIndexAt(int localX) const {
        const std::u16string shown = ShownText();
        std::vector<int32_t> extents;
        platform::text::DeviceContext dc;
        dc.SelectFont(this->font);
        const int32_t width = shown.empty() ? 0 : dc.GetTextExtentEx(shown, INT32_MAX, nullptr, &extents).width;
        const Point at = TextOrigin(this->TextArea(), width, dc.CurrentFont().LineHeight());
        int best = 0;
        for (int i = 0; i <= Length(); ++i)
            // Ties go to the later boundary: both halves of a surrogate pair end
            // at the same x, and the cursor belongs after the whole character.
            if (std::abs(at.x + Boundary(extents, i) - localX) <= std::abs(at.x + Boundary(extents, best) - localX))
                best = i;
        return best;
    }

private:
    int Length() const { return static_cast<int>(this->text.size()); }
    int Clamp(int index) const { return index < 0 ? 0 : index > Length() ? Length() : index; }
    static int32_t Boundary(const std::vector<int32_t>& extents, int index) {
        if (index <= 0 || extents.empty()) return 0;
        size_t i = static_cast<size_t>(index) - 1;
        return extents[i < extents.size() ? i : extents.size() - 1];
    }
    Point TextOrigin(const platform::text::TextRect& rect, int32_t width, int32_t lineHeight) const {
        Point p{rect.left, rect.top};
        if (this->horizontalAlign & 1)
            p.x = rect.left + (rect.right - rect.left - width) / 2;
        else if (this->horizontalAlign & 2)
            p.x = rect.right - width;
        if (this->verticalAlign & 4)
            p.y = rect.top + (rect.bottom - rect.top - lineHeight) / 2;
        else if (this->verticalAlign & 8)
            p.y = rect.bottom - lineHeight;
        return p;
    }

    void RestartBlink() {
        cursorDriver.Clear();
        cursorTransparency = 255;
        cursorDriver.Chain()->SetKey(kBlinkFrames, 0);
        cursorDriver.Run(
            *this, shared_ptr<StateAnimator>(new StateAnimator(cursorDriver.Chain(), StateAnimator::LastState, true,
                                                               StateAnimator::PingPong, -1)));
        this->Invalidate();
    }

    void OnSelfTouched(shared_ptr<GObject>&, const Touch& touch) {
        if (!touch.IsDown() || !this->IsFocused()) return;
        SetCursor(CursorIndexAt(touch.Current().x - this->GetScreenRect().x));
        selectionStart = selectionEnd = 0;
    }

    void OnSelfKey(shared_ptr<GObject>&, const Key& key) {
        if (!this->IsFocused()) return;
        RestartBlink();
        switch (key.code) {
            case Key::Enter:
                this->SetFocused(false);
                return;
            case Key::Left:
            case Key::Right:
                SetCursor(cursor + (key.code == Key::Left ? -1 : 1));
                SetSelection(0, 0);
                return;
            case Key::Delete:
                if (cursor < Length()) Replace(cursor, 1, u"", cursor);
                return;
            case Key::Character:
                Type(key.character);
                return;
            default:
                return;
        }
    }

    void Type(char16_t c) {
        if (c == kBackspace) {
            if (cursor > 0) Replace(cursor - 1, 1, u"", cursor - 1);
        } else if (c == kClear) {
            Replace(0, Length(), u"", 0);
        } else if (c != kTab && c != kReturn && Accepts(c)) {
            Replace(cursor, 0, std::u16string(1, c), cursor + 1);
        }
    }

    bool Accepts(char16_t c) const {
        // Other control characters have no business in a one-line box.
        if (c < 0x20) return false;
        // The text never grows beyond maxLength characters.
        if (Length() >= maxLength) return false;
        if (numeric) {
            const bool digit = c >= u'0' && c <= u'9';
            const bool separator = c == decimalSeparator && this->text.find(decimalSeparator) == std::u16string::npos;
            if (!digit && !separator) return false;
        }
        std::u16string next = ShownText();
        next.insert(static_cast<size_t>(cursor), 1, password ? maskCharacter : c);
        platform::text::DeviceContext dc;
        dc.SelectFont(this->font);
        const platform::text::TextRect area = this->TextArea();
        return dc.GetTextExtent(next).width < area.right - area.left;
    }

    void Replace(int at, int count, const std::u16string& with, int newCursor) {
        std::u16string next = this->text;
        next.replace(static_cast<size_t>(at), static_cast<size_t>(count), with);
        Base::SetText(next);
        SetCursor(newCursor);
    }

    std::u16string placeholder;
    int cursor = 0;
    ChainDriver<TEdit> cursorDriver;
    int cursorTransparency = 255;
    int selectionStart = 0;
    int selectionEnd = 0;
    uint32_t placeholderColor = 0x787878;
    bool numeric = false;
    char16_t decimalSeparator = u'.';
    std::u16string secondText;
    shared_ptr<EditFinishedEvent> editFinished;
    bool password = false;
    char16_t maskCharacter = u'*';
    int maxLength = INT_MAX;
};
