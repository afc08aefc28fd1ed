#pragma once
#include <map>
#include <vector>

#include "base/ScopedSubscription.h"
#include "ui/Touch.h"
#include "ui/widgets/traits/FireFrom.h"

// A radio group: exactly one child is selected, and a child counts as
// selected exactly when it is focusable. The first child added starts
// selected; a tap on another selects it and tells selectionChanged its index.
//
// The group listens to its children's events; a child may be removed and
// live on, so each subscription is scoped to the group and to the child's
// membership.
template <class Base>
class TRadio : public Base {
public:
    using SelectionChangedEvent = Delegation_2<shared_ptr<GObject>&, int>;

    shared_ptr<SelectionChangedEvent>& GetSelectionChanged() {
        if (!selectionChanged) selectionChanged = new SelectionChangedEvent();
        return selectionChanged;
    }

    // Index of the selected child, -1 when none is.
    int GetSelectedIndex() const {
        for (int i = 0; i < this->ChildCount(); ++i)
            if (this->Children()[static_cast<size_t>(i)]->IsFocusable()) return i;
        return -1;
    }
    void Select(int index) {
        if (index >= 0 && index < this->ChildCount()) this->ChildAt(index)->SetFocusable(true);
    }

    void OnChildAdded(const shared_ptr<GObject>& child) override {
        Base::OnChildAdded(child);
        std::vector<ScopedSubscription>& subs = subscriptions[child.get()];
        subs.clear();
        subs.push_back(ScopedSubscription::To(child->FocusableChanged(), this, &TRadio::OnItemSelectable));
        subs.push_back(ScopedSubscription::To(child->Touched(), this, &TRadio::OnItemTouched));
        if (this->ChildCount() == 1) child->SetFocusable(true);
    }
    void OnChildRemoved(const shared_ptr<GObject>& child) override {
        Base::OnChildRemoved(child);
        subscriptions.erase(child.get());
    }

private:
    void OnItemTouched(shared_ptr<GObject>& item, const Touch& touch) {
        if (touch.type == Touch::Click) item->SetFocusable(true);
    }
    void OnItemSelectable(shared_ptr<GObject>& item, bool selectable) {
        int index = 0;
        if (!selectable || !this->IndexOfChild(item.get(), index)) return;
        for (int i = 0; i < this->ChildCount(); ++i)
            if (i != index) this->ChildAt(i)->SetFocusable(false);
        FireFrom(*this, selectionChanged, index);
    }

    shared_ptr<SelectionChangedEvent> selectionChanged;
    std::map<GObject*, std::vector<ScopedSubscription>> subscriptions;
};
