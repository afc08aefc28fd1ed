#pragma once
#include "ui/Touch.h"

// Makes the object tappable and dims it while pressed; on release it fades
// back over a few frames. The transparency it returns to is remembered at
// the first press only, so a press during the fade-back does not make the
// dimmed value the new normal. The base must be fadable (TTransparableI).
template <class Base>
class THotButton : public Base {
public:
    THotButton() { Subscribe(this->Touched(), this, &THotButton::OnSelfTouched); }

    void SetPressDim(int value) { pressDim = value; }
    int GetPressDim() const { return pressDim; }
    void SetRestoreFrames(int frames) { restoreFrames = frames; }
    int GetRestoreFrames() const { return restoreFrames; }
    int GetSavedTransparency() const { return savedTransparency; }

    void OnPressed(const Touch& touch) override {
        Base::OnPressed(touch);
        if (savedTransparency == -1) savedTransparency = this->GetTransparency();
        this->StopFade();  // the fade-back of an earlier release would undo the dimming
        this->SetTransparency(savedTransparency - pressDim, false);
    }
    void OnReleased(const Touch& touch) override {
        Base::OnReleased(touch);
        if (savedTransparency != -1) this->FadeTo(savedTransparency, restoreFrames);
    }

private:
    // Subscribing is what makes an object tappable; the reaction is the
    // pressing and releasing above.
    void OnSelfTouched(shared_ptr<GObject>&, const Touch&) {}

    int pressDim = 80;
    int savedTransparency = -1;
    int restoreFrames = 8;
};
