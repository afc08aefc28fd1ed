#pragma once
#include "base/shared_ptr.h"

class GObject;

// Why a layout runs; passed through to Apply.
enum LayoutReason : int {
    LayoutResized = 0,       // the owner's size really changed
    LayoutChildAdded = 1,
    LayoutChildRemoved = 2,
    LayoutRelayout = 3,      // attached, unlocked, or asked for a plain re-layout
    LayoutAnimated = 4,      // asked for an animated re-layout
};

// Positions and sizes the direct children of the object that owns it. The
// busy flag keeps a layout from re-entering itself when it resizes its own
// owner, and lets a burst of child changes be laid out once (Lock/Unlock).
class Layout : public shared_object {
public:
    ~Layout() override = default;
    virtual void OnAttach(GObject* newOwner);
    virtual void Apply(GObject* owner, int reason) = 0;

    void Update(int reason);
    void Lock() { busy = true; }
    void Unlock();
    bool IsBusy() const { return busy; }
    GObject* Owner() const { return owner; }
    void SetOwner(GObject* newOwner) { owner = newOwner; }

private:
    bool CanRun() const;
    void Run(int reason);

    GObject* owner = nullptr;
    bool busy = false;
};
