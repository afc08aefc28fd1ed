#include "DemoScene.h"

#include <cstdlib>

#include "base/Text.h"
#include "ui/FontManager.h"
#include "ui/StateAnimator.h"
#include "ui/StatesChain.h"
#include "ui/Surface.h"
#include "ui/UIServer.h"
#include "ui/app/InputManager.h"

namespace {

using platform::text::TextRect;
namespace fmt = platform::text;

void DrawLine(Surface& surface, const std::u16string& text, const Rect& area, int fontHeight, std::uint32_t color,
              std::uint32_t format) {
    auto& dc = surface.BeginGdi();
    dc.SelectFont(FontManager::Instance().GetFont(400, fontHeight));
    dc.SetTextColor(color);
    TextRect r{area.x, area.y, area.Right(), area.Bottom()};
    dc.DrawText(text, r, format | fmt::kSingleLine | fmt::kVCenter | fmt::kNoPrefix | fmt::kEndEllipsis);
    surface.EndGdi();
}

std::u16string Number(long long v) { return ::text::ToU16(v); }

const char* TouchName(int type) {
    switch (type) {
    case Touch::Down: return "down";
    case Touch::Up: return "up";
    case Touch::Move: return "move";
    case Touch::DoubleTap: return "double tap";
    case Touch::Click: return "click";
    default: return "?";
    }
}

}  // namespace

// --- FrameAnimator ---------------------------------------------------------

bool FrameAnimator::Step() {
    if (stopped) return false;
    apply(++frame);
    return frames == 0 || frame < frames;
}

// --- DemoLabel -------------------------------------------------------------

DemoLabel::DemoLabel(std::u16string text, int fontHeight, std::uint32_t color)
    : text(std::move(text)), fontHeight(fontHeight), color(color) {}

void DemoLabel::SetText(const std::u16string& value) {
    if (value == text) return;
    text = value;
    Invalidate();
}

void DemoLabel::Draw(Surface& surface) {
    GObject::Draw(surface);
    DrawLine(surface, text, Rect(0, 0, Width(), Height()), fontHeight, color, fmt::kLeft);
}

// --- DemoBox -----------------------------------------------------------------

DemoBox::DemoBox(std::u16string name, std::uint8_t r, std::uint8_t g, std::uint8_t b, int fontHeight)
    : name(std::move(name)), red(r), green(g), blue(b), fontHeight(fontHeight) {}

void DemoBox::Draw(Surface& surface) {
    GObject::Draw(surface);
    const int dim = IsPressed() ? 2 : 1;
    surface.FillColor(Rect(0, 0, Width(), Height()), red / dim, green / dim, blue / dim, GetTransparency());
    DrawLine(surface, name, Rect(0, 0, Width(), Height()), fontHeight, 0xFFFFFF, fmt::kCenter);
}

// --- DemoTextBox ---------------------------------------------------------------

DemoTextBox::DemoTextBox(int fontHeight) : fontHeight(fontHeight) {
    SetFocusable(true);
    Subscribe(Touched(), this, &DemoTextBox::OnTap);
}

void DemoTextBox::SetText(const std::u16string& value) {
    if (value == text) return;
    text = value;
    Invalidate();
}

void DemoTextBox::Draw(Surface& surface) {
    GObject::Draw(surface);
    const int w = Width(), h = Height();
    surface.FillColor(Rect(0, 0, w, h), 90, 90, 90, 255);
    surface.FillColor(Rect(2, 2, w - 4, h - 4), 250, 250, 250, 255);
    const int pad = h / 4;
    if (text.empty() && !IsFocused())
        DrawLine(surface, u"Type here", Rect(pad, 0, w - 2 * pad, h), fontHeight, 0x787878, fmt::kLeft);
    else
        DrawLine(surface, text, Rect(pad, 0, w - 2 * pad, h), fontHeight, 0x000000, fmt::kLeft);
    if (IsFocused()) {
        auto& dc = surface.BeginGdi();
        dc.SelectFont(FontManager::Instance().GetFont(400, fontHeight));
        const int x = pad + dc.GetTextExtent(text).width;
        surface.EndGdi();
        surface.FillColor(Rect(x, h / 5, 2, h - 2 * (h / 5)), 0, 0, 255, 255);
    }
}

// The panel comes with the focus and goes with it, like a real text box.
void DemoTextBox::OnFocusChanged(bool value) {
    GObject::OnFocusChanged(value);
    if (value)
        InputManager::Instance().Show(GetScreenRect().y, Height(), 0);
    else
        InputManager::Instance().Hide();
}

void DemoTextBox::OnKey(const Key& key) {
    GObject::OnKey(key);
    if (!IsFocused()) return;
    if (keySeen) keySeen(key);
    if (key.code == Key::Enter) {
        SetFocused(false);
        return;
    }
    if (key.code != Key::Character) return;
    if (key.character == 8) {
        if (!text.empty()) SetText(text.substr(0, text.size() - 1));
    } else if (key.character >= 0x20) {
        SetText(text + key.character);
    }
}

void DemoTextBox::OnTap(shared_ptr<GObject>&, const Touch&) {}

// --- DemoScene ---------------------------------------------------------------

const char16_t* const DemoScene::kBoxNames[3] = {u"Red", u"Green", u"Blue"};

DemoScene::DemoScene(int width, int height) : unit(std::max(width / 24, 4)) {
    SetSize(width, height);
    // Focusable so that keys reach the screen when no text box has the focus.
    SetFocusable(true);
    Subscribe(KeyPressed(), this, &DemoScene::OnRootKey);
    const int u = unit, font = unit;

    shared_ptr<DemoLabel> title(new DemoLabel(u"Veltra demo", font * 3 / 2, 0x7A3000));
    title->SetRect(Rect(u, u / 2, 22 * u, 2 * u));
    AddChild(title);

    const std::uint8_t colors[3][3] = {{200, 50, 50}, {40, 150, 70}, {50, 90, 210}};
    for (int i = 0; i < 3; ++i) {
        boxes[i] = new DemoBox(kBoxNames[i], colors[i][0], colors[i][1], colors[i][2], font);
        boxes[i]->SetRect(Rect(u + 8 * i * u, 3 * u, 6 * u, 6 * u));
        Subscribe(boxes[i]->Touched(), this, &DemoScene::OnBoxTouched);
        AddChild(boxes[i], 100 + i);
    }

    textBox = new DemoTextBox(font);
    textBox->SetRect(Rect(u, 11 * u, 22 * u, 2 * u + u / 2));
    textBox->keySeen = [this](const Key& key) { ShowKey(key); };
    AddChild(textBox, 200);

    spinner = new DemoBox(u"", 230, 150, 0, font);
    spinner->SetRect(Rect(u, 14 * u, u, u / 2));
    AddChild(spinner, 300);

    auto line = [&](int row, const std::u16string& text) {
        shared_ptr<DemoLabel> label(new DemoLabel(text, font));
        label->SetRect(Rect(u, 15 * u + row * (3 * u / 2), 22 * u, 3 * u / 2));
        AddChild(label);
        return label;
    };
    clicksLabel = line(0, u"");
    tapLabel = line(1, u"Touch: none");
    keyLabel = line(2, u"Key: none");
    softLabel = line(3, u"Soft keys: 0");
    panelLabel = line(4, u"");
    sizeLabel = line(5, u"Window: ?");
    handOverLabel = line(6, u"Hand-over: none");
    ShowClicks();
    ShowPanel();

    auto& input = InputManager::Instance();
    Subscribe(input.shown, this, &DemoScene::OnPanelShown);
    Subscribe(input.hidden, this, &DemoScene::OnPanelHidden);
}

DemoScene::~DemoScene() {
    auto& input = InputManager::Instance();
    Unsubscribe(input.shown, this, &DemoScene::OnPanelShown);
    Unsubscribe(input.hidden, this, &DemoScene::OnPanelHidden);
    if (spin) spin->Stop();
}

void DemoScene::ShowClicks() {
    clicksLabel->SetText(u"Clicks: " + Number(clicks[0]) + u" " + Number(clicks[1]) + u" " + Number(clicks[2]));
}

void DemoScene::ShowPanel() {
    panelLabel->SetText(u"Panel: shown " + Number(panelShown) + u", hidden " + Number(panelHidden));
}

void DemoScene::SetWindowSize(int width, int height) {
    sizeLabel->SetText(u"Window: " + Number(width) + u"x" + Number(height));
}

void DemoScene::SetHandOver(long long value) { handOverLabel->SetText(u"Hand-over: " + Number(value)); }

void DemoScene::OnBoxTouched(shared_ptr<GObject>& sender, const Touch& touch) {
    int i = 0;
    while (i < 3 && boxes[i].get() != sender.get()) ++i;
    if (i == 3) return;
    tapLabel->SetText(u"Touch: " + std::u16string(kBoxNames[i]) + u" " + U16(TouchName(touch.type)));
    if (touch.type != Touch::Click) return;
    ++clicks[i];
    ShowClicks();
    // A click fades the box out and back while it hops up and down: two
    // chains moved in lockstep by one animator, ten frames.
    const int baseY = 3 * unit;
    shared_ptr<ComplexStatesChain<int>> fade(new ComplexStatesChain<int>(
        shared_ptr<Interpolator<int>>(new LinearInterpolator<int>()),
        shared_ptr<Property<int>>(new TransparencyProperty(sender))));
    fade->SetKey(5, 60);
    fade->SetKey(10, 255);
    shared_ptr<ComplexStatesChain<int>> hop(new ComplexStatesChain<int>(
        shared_ptr<Interpolator<int>>(new CubicInterpolator<int>()),
        shared_ptr<Property<int>>(new YPositionProperty(sender))));
    hop->SetKey(5, baseY - unit);
    hop->SetKey(10, baseY);
    shared_ptr<ParallelStatesChain> both(new ParallelStatesChain());
    both->AddChain(fade);
    both->AddChain(hop);
    both->SetStateCount(11);
    sender->StartAnimator(shared_ptr<Animator>(new StateAnimator(both, StateAnimator::LastState)));
}

void DemoScene::ShowKey(const Key& key) {
    std::u16string text = u"Key: " + Number(key.code);
    if (key.code == Key::Character) text += u" '" + std::u16string(1, key.character) + u"'";
    keyLabel->SetText(text);
}

void DemoScene::OnRootKey(shared_ptr<GObject>&, const Key& key) {
    ShowKey(key);
    if (key.code == Key::LeftSoft) {
        ++softKeys;
        softLabel->SetText(u"Soft keys: " + Number(softKeys));
        textBox->SetText(u"");
    } else if (key.code == Key::RightSoft) {
        ++softKeys;
        softLabel->SetText(u"Soft keys: " + Number(softKeys));
        ToggleSpinner();
    }
}

// The right soft key starts or stops an endless animation: a marker running
// back and forth under the text box.
void DemoScene::ToggleSpinner() {
    if (spin) {
        spin->Stop();
        spin = nullptr;
        spinner->SetRect(Rect(unit, 14 * unit, unit, unit / 2));
        return;
    }
    GObject* marker = spinner.get();
    const int left = unit, range = 21 * unit;
    spin = new FrameAnimator(0, [marker, left, range](int f) {
        const int phase = f % 40, pos = phase < 20 ? phase : 40 - phase;
        marker->SetPosition(left + pos * range / 20, marker->Y());
    });
    StartAnimator(spin);
}

void DemoScene::OnPanelShown(int, int, const Rect&) {
    ++panelShown;
    ShowPanel();
}

void DemoScene::OnPanelHidden() {
    ++panelHidden;
    ShowPanel();
}
