#include "ui/widgets/Switch.h"

#include "ui/FontManager.h"
#include "ui/IKeyControl.h"
#include "ui/Key.h"
#include "ui/Touch.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/layouts/SwitchLayout.h"
#include "ui/layouts/SwitcherLayout.h"
#include "ui/widgets/SkinFactory.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

constexpr int kBold = 600;
constexpr uint32_t kOnColour = 0xFFFFFF;
constexpr uint32_t kOffColour = 0x787878;  // RGB(120, 120, 120)
constexpr int kOnTextMargin = 5;
constexpr int kOffTextMargin = 3;

shared_ptr<widgets::ImageLabel> Background(const char16_t* image, const std::u16string& text, uint32_t colour,
                                           uint32_t align) {
    shared_ptr<widgets::ImageLabel> bg(new widgets::ImageLabel());
    bg->AddImageState(0, SkinFactory::SkinImage(image));
    bg->SetStretch(true);
    bg->SetImageState(0);
    bg->SetText(text);
    bg->SetColor(colour);
    bg->SetFont(FontManager::Instance().GetFont(kBold, LayoutMetrics::Get().fontUnit * 3 / 2));
    bg->SetAlign(align, widgets::ImageLabel::Middle);
    return bg;
}

// The viewport, whose selected flag is the state: under the key highlight
// Left turns it off and Right on, the way the strip slides. Enter is left to
// the tap, which flips it.
class SwitchViewport : public GObject, public IKeyControl {
public:
    bool OnHighlightKey(const Key& key) override {
        if (key.code != Key::Left && key.code != Key::Right) return false;
        SetFocusable(key.code == Key::Right);
        return true;
    }
};

}  // namespace

Switch::Switch(GObject& parent, const std::u16string& onText, const std::u16string& offText, int id)
    : viewport(new SwitchViewport()) {
    shared_ptr<widgets::Movable> movable(new widgets::Movable());
    strip = movable;

    auto on = Background(u"switch_bg_on.png", onText, kOnColour, widgets::ImageLabel::Left);
    on->SetInsets(kOnTextMargin, 0, 0, 0);
    auto off = Background(u"switch_bg_off.png", offText, kOffColour, widgets::ImageLabel::Right);
    off->SetInsets(0, 0, kOffTextMargin, 0);
    shared_ptr<widgets::HotImage> toggler(new widgets::HotImage());
    toggler->AddImageState(0, SkinFactory::SkinImage(u"switch_toggler.png"));
    toggler->SetStretch(true);
    toggler->SetImageState(0);

    strip->AddChild(on);
    strip->AddChild(off);
    strip->AddChild(toggler);
    strip->SetLayout(shared_ptr<Layout>(new SwitchLayout()));
    viewport->AddChild(strip);
    viewport->SetLayout(shared_ptr<Layout>(new SwitcherLayout()));

    viewportTap = ScopedSubscription::To(viewport->Touched(), this, &Switch::OnTapped);
    togglerTap = ScopedSubscription::To(toggler->Touched(), this, &Switch::OnTapped);
    stateChange = ScopedSubscription::To(viewport->FocusableChanged(), this, &Switch::OnStateChanged);
    resize = ScopedSubscription::To(viewport->Resized(), this, &Switch::OnResized);
    const shared_ptr<ParallelStatesChain>& chain = movable->GetMoveChain();
    slideStep = ScopedSubscription::To(chain.get(), chain->StateChanged(), this, &Switch::OnSlideStep);
    HideCovered();
    parent.AddChild(viewport, id);
}

Switch::~Switch() {
    viewportTap.Reset();
    togglerTap.Reset();
    stateChange.Reset();
    slideStep.Reset();
    resize.Reset();
}

void Switch::OnTapped(shared_ptr<GObject>& /*sender*/, const Touch& touch) {
    if (touch.type == Touch::Click) Toggle();
}

void Switch::OnStateChanged(shared_ptr<GObject>& /*sender*/, bool /*on*/) {
    if (const shared_ptr<Layout>& layout = viewport->GetLayout()) layout->Update(LayoutAnimated);
    HideIfArrived();
}

// Every layout pass of the viewport shows both backgrounds for a slide.
void Switch::OnResized(shared_ptr<GObject>& /*sender*/, int /*dw*/, int /*dh*/) { HideIfArrived(); }

// A strip that could not animate (not on screen yet) is already in place.
void Switch::HideIfArrived() {
    if (!static_cast<widgets::Movable*>(strip.get())->IsMoving()) HideCovered();
}

void Switch::OnSlideStep(StatesChain* /*chain*/, int /*oldState*/, int newState, int count) {
    if (newState == count - 1) HideCovered();
}

void Switch::HideCovered() {
    GetPart(OnBackground)->SetVisible(IsOn());
    GetPart(OffBackground)->SetVisible(!IsOn());
}
