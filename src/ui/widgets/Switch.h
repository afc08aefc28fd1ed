#pragma once
#include <string>

#include "base/ScopedSubscription.h"
#include "base/shared_ptr.h"
#include "ui/GObject.h"

class StatesChain;
struct Touch;

// The sliding on/off control of the settings and tag rows. The viewport's
// selected flag (focusable) is the state; a tap on the viewport or the
// toggler flips it, and so does anyone who sets the flag. On every change
// the strip inside slides (x = 0 on, -W / 2 off) with both backgrounds shown,
// and when the slide has ended the covered background is hidden.
//
// The Switch owns its subscriptions, not the tree: the tree may outlive it
// (it then keeps its last state and stops reacting), never the other way.
class Switch : public shared_object {
public:
    enum Part : int { OnBackground = 0, OffBackground = 1, Toggler = 2 };

    Switch(GObject& parent, const std::u16string& onText, const std::u16string& offText, int id);
    ~Switch() override;

    bool IsOn() const { return viewport->IsFocusable(); }
    void SetOn(bool on) { viewport->SetFocusable(on); }
    void Toggle() { SetOn(!IsOn()); }
    const shared_ptr<GObject>& GetViewport() const { return viewport; }
    const shared_ptr<GObject>& GetStrip() const { return strip; }
    shared_ptr<GObject> GetPart(Part part) const { return strip->ChildAt(part); }

private:
    void OnTapped(shared_ptr<GObject>& sender, const Touch& touch);
    void OnStateChanged(shared_ptr<GObject>& sender, bool on);
    void OnResized(shared_ptr<GObject>& sender, int dw, int dh);
    void OnSlideStep(StatesChain* chain, int oldState, int newState, int count);
    void HideIfArrived();
    void HideCovered();

    shared_ptr<GObject> viewport;
    shared_ptr<GObject> strip;
    ScopedSubscription viewportTap, togglerTap, stateChange, resize, slideStep;
};
