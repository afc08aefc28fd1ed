#pragma once
#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "ui/GObject.h"
#include "ui/Touch.h"

class Switch;

// The tap handler of a row that holds a switch: a completed tap anywhere on
// the row flips the switch, so the whole row is a target for a finger. A tap
// on the switch itself reaches only the switch, which flips itself.
class SwitchListItem_Touch : public Delegate_2<shared_ptr<GObject>&, const Touch&> {
public:
    explicit SwitchListItem_Touch(shared_ptr<Switch> toggle) : toggle(std::move(toggle)) {}
    void Invoke(shared_ptr<GObject>& row, const Touch& touch) override;

private:
    // Held, not borrowed: the row's event may outlive the screen's own list
    // of switches by a rebuild.
    shared_ptr<Switch> toggle;
};
