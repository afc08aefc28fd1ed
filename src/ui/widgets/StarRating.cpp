#include "ui/widgets/StarRating.h"

#include <algorithm>

#include "ui/Key.h"
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

bool StarRating::OnHighlightKey(const Key& key) {
    if (readOnly) return false;
    if (key.code == Key::Left) SetValue(value - 2 + value % 2);
    if (key.code == Key::Right) SetValue(value + 2 - value % 2);
    return key.code == Key::Left || key.code == Key::Right || key.code == Key::Enter;
}

void StarRating::OnStarTouched(shared_ptr<GObject>& star, const Touch& touch) {
    if (touch.type != Touch::Click) return;
    int index = 0;
    if (IndexOfChild(star.get(), index)) SetValue(2 * (index + 1));
}
