#include "shell/Loading.h"

#include "i18n/Localization.h"

void Loading::Register(View v) {
    view = std::move(v);
    Changed();
}

void Loading::Unregister() { view = View(); }

void Loading::Raise() {
    ++count;
    Changed();
}

void Loading::Lower() {
    if (count == 0) return;
    --count;
    Changed();
}

void Loading::Changed() {
    if (!view.layer) return;
    view.layer->SetVisible(count != 0);
    if (count != 0 && view.restartAnimation) view.restartAnimation();
    if (view.setText) view.setText(Localization::Instance().Text(kTextString));
}
