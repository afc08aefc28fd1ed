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

// Positions and sizes the direct children of the object that owns it. A
// layout is busy while it runs or while it is locked: the first keeps it from
// re-entering itself when it resizes its own owner, the second lets a burst of
// child changes be laid out once (Lock, the changes, Unlock). The two are kept
// apart so that a lock taken inside a run outlives the run, and an unlock
// inside a run does not start a second, nested run of the same layout.
class Layout : public shared_object {
public:
    ~Layout() override = default;
    virtual void OnAttach(GObject* newOwner);
    virtual void Apply(GObject* owner, int reason) = 0;

    void Update(int reason);
    void Lock() { locked = true; }
    void Unlock();
    bool IsBusy() const { return running || locked; }
    GObject* Owner() const { return owner; }
    void SetOwner(GObject* newOwner) { owner = newOwner; }

private:
    bool CanRun() const;
    void Run(int reason);

    GObject* owner = nullptr;
    bool running = false;
    bool locked = false;
};
