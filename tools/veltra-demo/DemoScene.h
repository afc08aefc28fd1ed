#pragma once
#include <functional>
#include <string>

#include "base/shared_ptr.h"
#include "ui/GObject.h"
#include "ui/Layout.h"
#include "ui/Key.h"
#include "ui/Touch.h"
#include "ui/app/AnimatorKinds.h"
#include "ui/app/ILabelText.h"

// A few frames of motion driven by a function of the frame number; endless
// when `frames` is 0 (it then counts on forever).
class FrameAnimator : public Animator, public ILoopingAnimator {
public:
    FrameAnimator(int frames, std::function<void(int)> apply) : frames(frames), apply(std::move(apply)) {}
    bool Step() override;
    bool IsEndless() const override { return frames == 0; }
    void Stop() { stopped = true; }

private:
    int frames;
    int frame = 0;
    bool stopped = false;
    std::function<void(int)> apply;
};

// A line of text in one colour.
class DemoLabel : public GObject, public ILabelText {
public:
    DemoLabel(std::u16string text, int fontHeight, std::uint32_t color = 0x202020);
    void SetText(const std::u16string& value);
    std::u16string GetLabelText() const override { return text; }
    void Draw(Surface& surface) override;

private:
    std::u16string text;
    int fontHeight;
    std::uint32_t color;
};

// A coloured tile with its name; it dims while pressed.
class DemoBox : public GObject, public ILabelText {
public:
    DemoBox(std::u16string name, std::uint8_t r, std::uint8_t g, std::uint8_t b, int fontHeight);
    std::u16string GetLabelText() const override { return name; }
    void Draw(Surface& surface) override;

private:
    std::u16string name;
    std::uint8_t red, green, blue;
    int fontHeight;
};

// The text box stand-in: focusable, fed by key characters; it asks for the
// input panel while it has the focus.
class DemoTextBox : public GObject, public ILabelText {
public:
    explicit DemoTextBox(int fontHeight);
    // The placeholder while empty, so that scripts can tap it by its text.
    std::u16string GetLabelText() const override { return text.empty() ? std::u16string(u"Type here") : text; }
    const std::u16string& GetText() const { return text; }
    void SetText(const std::u16string& value);
    void Draw(Surface& surface) override;
    void OnFocusChanged(bool value) override;
    // Keys are taken in the hook, not through KeyPressed: an event with a
    // subscriber would swallow the keys meant for the screen behind it.
    void OnKey(const Key& key) override;
    std::function<void(const Key&)> keySeen;

private:
    void OnTap(shared_ptr<GObject>& sender, const Touch& touch);
    std::u16string text;
    int fontHeight;
};

// The demo's whole screen. Every reaction is written into a status label so
// that scripts can check it with expect-text.
class DemoScene : public GObject {
public:
    DemoScene(int width, int height);
    ~DemoScene() override;

    void SetWindowSize(int width, int height);
    void SetHandOver(long long value);
    const shared_ptr<DemoTextBox>& TextBox() const { return textBox; }

    static const char16_t* const kBoxNames[3];

private:
    void OnBoxTouched(shared_ptr<GObject>& sender, const Touch& touch);
    void OnRootKey(shared_ptr<GObject>& sender, const Key& key);
    void OnPanelShown(int y, int height, const Rect& panel);
    void OnPanelHidden();
    void ShowClicks();
    void ShowPanel();
    void ShowKey(const Key& key);
    void ToggleSpinner();

    int unit;
    shared_ptr<DemoBox> boxes[3];
    shared_ptr<DemoTextBox> textBox;
    shared_ptr<GObject> spinner;
    shared_ptr<FrameAnimator> spin;
    shared_ptr<DemoLabel> clicksLabel, keyLabel, softLabel, panelLabel, sizeLabel, handOverLabel, tapLabel;
    int clicks[3] = {0, 0, 0};
    int softKeys = 0;
    int panelShown = 0, panelHidden = 0;
};
