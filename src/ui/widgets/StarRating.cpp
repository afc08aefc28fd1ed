#include "ui/widgets/StarRating.h"

#include <algorithm>

#include "ui/Key.h"
#include "ui/Surface.h"
#include "ui/Touch.h"
#include "ui/layouts/StarsLayout.h"
#include "ui/widgets/SkinFactory.h"
#include "ui/widgets/WidgetTypes.h"

StarRating::StarRating(int initial, bool readOnly) : readOnly(readOnly) {
    for (int i = 0; i < kStars; ++i) {
        shared_ptr<widgets::Image> star(new widgets::Image());
        star->AddImageState(Full, SkinFactory::SkinImage(u"rate_star.png"));
        star->AddImageState(Half, SkinFactory::SkinImage(u"rate_halfstar.png"));
        star->AddImageState(Blank, SkinFactory::SkinImage(u"rate_blankstar.png"));
        star->SetStretch(true);
        if (!readOnly) taps.push_back(ScopedSubscription::To(star->Touched(), this, &StarRating::OnStarTouched));
        AddChild(star);
    }
    SetFocusable(!readOnly);
    SetLayout(shared_ptr<Layout>(new StarsLayout()));
    value = -1;  // so that the first SetValue shows every star
    SetValue(initial);
}

StarRating::~StarRating() { taps.clear(); }

int StarRating::StarFrame(int index) const {
    if (index < value / 2) return Full;
    if (index == value / 2 && value % 2 == 1) return Half;
    return Blank;
}

void StarRating::SetValue(int v) {
    v = std::clamp(v, 0, kMaxValue);
    if (v == value) return;
    value = v;
    for (int i = 0; i < kStars && i < ChildCount(); ++i)
        static_cast<widgets::Image*>(ChildAt(i).get())->SetImageState(StarFrame(i));
}

void StarRating::Draw(Surface& surface) {
    GObject::Draw(surface);
    // The focus band: the light blue of the store's selected rows.
    if (IsFocused()) surface.FillColor(Rect(0, 0, Width(), Height()), 214, 222, 234, GetTransparency());
}

void StarRating::OnKey(const Key& key) {
    GObject::OnKey(key);
    // Keys walk down through every focusable object; only the focused
    // rating is the one being changed.
    if (readOnly || !IsFocused()) return;
    if (key.code == Key::Left) SetValue(value - 2 + value % 2);
    if (key.code == Key::Right) SetValue(value + 2 - value % 2);
}

void StarRating::OnStarTouched(shared_ptr<GObject>& star, const Touch& touch) {
    if (touch.type != Touch::Click) return;
    int index = 0;
    if (IndexOfChild(star.get(), index)) SetValue(2 * (index + 1));
}
