#include "ui/GObject.h"

#include <stdexcept>

#include "base/KeepAlive.h"
#include "ui/Key.h"
#include "ui/Layout.h"
#include "ui/Surface.h"
#include "ui/Touch.h"
#include "ui/UIServer.h"

GObject::~GObject() {
    if (destroyed) destroyed->Invoke();
    for (auto& child : children)
        if (child->parent == this) child->parent = nullptr;
    if (layout && layout->Owner() == this) layout->SetOwner(nullptr);
}

template <class E, class... Args>
void GObject::FireSelf(const shared_ptr<E>& event, Args&&... args) {
    if (!event) return;
    shared_ptr<E> keep = event;
    KeepAlive guard(this);
    shared_ptr<GObject> self(this);
    keep->Invoke(self, std::forward<Args>(args)...);
}

void GObject::ThrowOutOfRange() { throw std::out_of_range("invalid vector<T> subscript"); }

// --- Tree -------------------------------------------------------------------

void GObject::SetServer(UIServer* newServer) {
    server = newServer;
    for (auto& child : children) child->SetServer(newServer);
}

void GObject::AddChild(const shared_ptr<GObject>& child, int32_t childId) {
    if (!child || child.get() == this) return;
    for (GObject* a = parent; a; a = a->parent)
        if (a == child.get()) return;  // an ancestor cannot become a child: the tree would loop
    shared_ptr<GObject> keep = child;
    // An object still listed by another parent is taken out first, so that it
    // never sits in two places with a screen rectangle offset twice.
    int oldIndex = 0;
    if (child->parent && child->parent->IndexOfChild(child.get(), oldIndex)) child->parent->RemoveChildAt(oldIndex);
    child->SetServer(server);
    if (childId != -1) child->id = childId;
    children.push_back(child);
    child->SetParent(this);
    OnChildAdded(child);
    FireSelf(childAdded, child);
    child->Invalidate();
    if (layout) layout->Update(LayoutChildAdded);
}

void GObject::SetParent(GObject* newParent) {
    GObject* old = parent;
    parent = newParent;
    if (newParent) MoveScreenRect(newParent->screenRect.x, newParent->screenRect.y);
    OnParentChanged(old, newParent);
    FireSelf(parentChanged, old, newParent);
}

bool GObject::RemoveChild(const shared_ptr<GObject>& child) {
    int index = 0;
    if (!IndexOfChild(child.get(), index)) return false;
    RemoveChildAt(index);
    return true;
}

void GObject::RemoveChildAt(int index) {
    if (index < 0 || index >= ChildCount()) ThrowOutOfRange();
    shared_ptr<GObject> child = children[static_cast<size_t>(index)];
    child->Invalidate();
    // Keys must not keep going to an object that left the screen.
    if (server && server->GetFocus()) {
        for (GObject* f = server->GetFocus().get(); f; f = f->parent)
            if (f == child.get()) {
                server->SetFocus(shared_ptr<GObject>());
                break;
            }
    }
    child->MoveScreenRect(-screenRect.x, -screenRect.y);
    children.erase(children.begin() + index);
    // The child may outlive this object; a pointer back here would then be
    // read after we are gone (the next AddChild looks for its old parent).
    child->parent = nullptr;
    child->SetServer(nullptr);
    if (layout) layout->Update(LayoutChildRemoved);
    OnChildRemoved(child);
    FireSelf(childRemoved, child);
}

bool GObject::RemoveChildById(int32_t childId) {
    for (int i = 0; i < ChildCount(); ++i)
        if (children[static_cast<size_t>(i)]->id == childId) {
            RemoveChildAt(i);
            return true;
        }
    return false;
}

void GObject::RemoveAllChildren() {
    std::vector<shared_ptr<GObject>> gone;
    gone.swap(children);
    for (auto& child : gone) {
        child->MoveScreenRect(-screenRect.x, -screenRect.y);
        child->parent = nullptr;  // see RemoveChildAt
        child->SetServer(nullptr);
    }
    if (server && server->GetFocus() && server->GetFocus()->server == nullptr) server->SetFocus(shared_ptr<GObject>());
    Invalidate();
}

shared_ptr<GObject> GObject::ChildAt(int index) const {
    if (index < 0 || index >= ChildCount()) ThrowOutOfRange();
    return children[static_cast<size_t>(index)];
}

bool GObject::FirstChild(shared_ptr<GObject>& out) const {
    if (children.empty()) return false;
    out = children.front();
    return true;
}

bool GObject::FindChildById(int32_t childId, shared_ptr<GObject>& out) const {
    for (auto& child : children)
        if (child->id == childId) {
            out = child;
            return true;
        }
    return false;
}

bool GObject::IndexOfChild(const GObject* child, int& index) const {
    for (size_t i = 0; i < children.size(); ++i)
        if (children[i].get() == child) {
            index = static_cast<int>(i);
            return true;
        }
    return false;
}

bool GObject::GetParent(GObject*& out) const {
    out = parent;
    return parent != nullptr;
}

void GObject::SetLayout(const shared_ptr<Layout>& newLayout) {
    if (layout && layout != newLayout && layout->Owner() == this) layout->SetOwner(nullptr);
    layout = newLayout;
    if (!layout) return;
    layout->SetOwner(this);
    layout->OnAttach(this);
    layout->Update(LayoutRelayout);
}

// --- Geometry and flags -------------------------------------------------------

void GObject::MoveScreenRect(int32_t dx, int32_t dy) {
    screenRect.x += dx;
    screenRect.y += dy;
    for (auto& child : children) child->MoveScreenRect(dx, dy);
}

void GObject::SetPosition(int32_t x, int32_t y) { MoveBy(x - position.x, y - position.y); }

void GObject::MoveBy(int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0) return;
    if (dragging && !movedByDrag) {
        grabOffset.x -= dx;
        grabOffset.y -= dy;
    }
    Invalidate();
    position.x += dx;
    position.y += dy;
    MoveScreenRect(dx, dy);
    OnMoved(dx, dy);
    FireSelf(moved, dx, dy);
    Invalidate();
}

void GObject::SetSize(int32_t w, int32_t h) {
    if (w == size.width && h == size.height) return;
    Invalidate();
    int dw = w - size.width, dh = h - size.height;
    size.width = screenRect.width = w;
    size.height = screenRect.height = h;
    Invalidate();
    if (layout) layout->Update(LayoutResized);
    OnResized(dw, dh);
    FireSelf(resized, dw, dh);
}

void GObject::SetRect(const Rect& r) {
    SetPosition(r.x, r.y);
    SetSize(r.width, r.height);
}

void GObject::SetDrawMargins(int32_t left, int32_t top, int32_t width, int32_t height) {
    drawMargins = Rect(left, top, width, height);
    Invalidate();
}

void GObject::SetVisible(bool value) {
    if (visible == value) return;
    visible = value;
    Invalidate();
    OnVisibleChanged(value);
    FireSelf(visibleChanged, value);
}

void GObject::SetFocusable(bool value) {
    if (focusable == value) return;
    focusable = value;
    Invalidate();
    OnFocusableChanged(value);
    FireSelf(focusableChanged, value);
}

void GObject::SetTouchEnabled(bool value) {
    if (touchEnabled == value) return;
    touchEnabled = value;
    Invalidate();
    OnTouchEnabledChanged(value);
    FireSelf(touchEnabledChanged, value);
}

void GObject::SetFocused(bool value) {
    if (!server || focused == value) return;
    KeepAlive guard(this);
    if (value) server->SetFocus(shared_ptr<GObject>(this));
    focused = value;
    // An object giving up its focus also stops being the server's focus, so
    // that keys no longer start at it.
    if (!value && server->GetFocus().get() == this) server->SetFocus(shared_ptr<GObject>());
    Invalidate();
    OnFocusChanged(value);
    FireSelf(focusChanged, value);
}

void GObject::SetTransparency(int value, bool applyToChildren) {
    if (value < 0 || value >= 256) return;
    if (transparency != value) {
        transparency = value;
        Invalidate();
    }
    if (applyToChildren)
        for (auto& child : children) child->SetTransparency(value, true);
}

void GObject::InvalidateRect(const Rect& r) {
    if (server) server->Invalidate(r);
}

void GObject::Invalidate() {
    if (!server) return;
    if (drawMargins.width == 0 && drawMargins.height == 0) {
        if (clipToParent && parent)
            InvalidateRect(screenRect.Intersect(parent->screenRect));
        else
            InvalidateRect(screenRect);
        return;
    }
    InvalidateRect(Rect(screenRect.x + drawMargins.x, screenRect.y + drawMargins.y,
                        screenRect.width + drawMargins.width, screenRect.height + drawMargins.height));
    for (auto& child : children) child->Invalidate();
}

void GObject::StartAnimator(const shared_ptr<Animator>& animator) {
    if (server) server->AddAnimator(animator);
}

// --- Drawing --------------------------------------------------------------------

void GObject::DrawTree(Surface& surface) {
    if (!visible || transparency < 1 || !screenRect.Intersects(surface.GetClipRect())) return;
    Rect area(screenRect.x + drawMargins.x, screenRect.y + drawMargins.y, screenRect.width + drawMargins.width,
              screenRect.height + drawMargins.height);
    surface.PushClip(area.Intersect(surface.GetClipRect()));
    Point savedOrigin = surface.GetOrigin();
    surface.SetOrigin(screenRect.x, screenRect.y);
    Draw(surface);
    FireSelf(drawn, surface);
    for (size_t i = 0; i < children.size(); ++i) {
        shared_ptr<GObject> child = children[i];
        child->DrawTree(surface);
    }
    // The key highlight goes over everything, once the whole tree is drawn.
    if (server && !parent) {
        surface.SetOrigin(0, 0);
        server->Keys().DrawFrame(surface);
    }
    surface.SetOrigin(savedOrigin.x, savedOrigin.y);
    surface.PopClip();
}

// --- Touch --------------------------------------------------------------------

void GObject::Press(Touch& touch) {
    if (pressed) return;
    touch.pressedObject = this;
    pressed = true;
    OnPressed(touch);
    FireSelf(pressedEvent, touch);
}

void GObject::Release(Touch& touch) {
    if (!pressed) return;
    pressed = false;
    if (touch.pressedObject.get() == this) touch.pressedObject = nullptr;
    OnReleased(touch);
    FireSelf(released, touch);
}

bool GObject::ProcessTouch(Touch& touch) {
    if (touch.handled || touch.cancelled) return false;
    KeepAlive guard(this);
    if (touch.capture) {
        shared_ptr<GObject> c = touch.capture;
        if (touch.IsDown()) {
            if (c->focusable) {
                c->SetFocused(true);
            } else {
                c->SetFocused(false);
                if (c->server) c->server->SetFocus(shared_ptr<GObject>());
            }
        }
        c->OnTouch(touch);
        touch.lastObject = c;
        c->FireSelf(c->touched, touch);
        return true;
    }
    if (touch.dragged) {
        shared_ptr<GObject> d = touch.dragged;
        if (touch.type == Touch::Up)
            d->DragDrop(touch);
        else
            d->DragMove(touch);
        return true;
    }
    if (!visible || !touchEnabled || !screenRect.Contains(touch.Current())) {
        Release(touch);
        return false;
    }
    OnTouch(touch);
    for (size_t i = children.size(); i-- > 0;) {
        if (i >= children.size()) continue;  // a handler removed children meanwhile
        shared_ptr<GObject> child = children[i];
        if (child->ProcessTouch(touch)) return true;
    }
    if (touch.IsDown()) {
        if (focusable) {
            SetFocused(true);
        } else {
            SetFocused(false);
            if (clearsFocusOnTap && server) server->SetFocus(shared_ptr<GObject>());
        }
    }
    if (!IsTappable()) return false;
    TappedBy(touch);
    return true;
}

void GObject::TappedBy(Touch& touch) {
    if (touch.pressedObject && touch.pressedObject.get() != this) {
        shared_ptr<GObject> other = touch.pressedObject;
        other->Release(touch);
    }
    if (draggable && touch.IsDown()) {
        StartDrag(touch);
        return;
    }
    if (touch.IsDown()) touch.downObject = this;
    touch.lastObject = this;
    FireSelf(touched, touch);
    if (touch.type == Touch::Up)
        Release(touch);
    else
        Press(touch);
}

// --- Keys ---------------------------------------------------------------------

bool GObject::ProcessKey(const Key& key) {
    if (!focusable) return false;
    KeepAlive guard(this);
    OnKey(key);
    if (!focused) {
        for (size_t i = children.size(); i-- > 0;) {
            if (i >= children.size()) continue;
            shared_ptr<GObject> child = children[i];
            if (child->ProcessKey(key)) return true;
        }
    }
    if (!keyPressed || keyPressed->Empty()) return false;
    FireSelf(keyPressed, key);
    return true;
}

// --- Drag and drop ------------------------------------------------------------

GObject* GObject::Root() {
    if (server && server->GetRoot()) return server->GetRoot().get();
    GObject* r = this;
    while (r->parent) r = r->parent;
    return r;
}

void GObject::StartDrag(Touch& touch) {
    Point p = touch.Current();
    touch.dragged = this;
    dragging = true;
    grabOffset = Point{p.x - screenRect.x, p.y - screenRect.y};
    shared_ptr<GObject> self(this);
    shared_ptr<GObject> oldParent(parent);
    dragHome = oldParent;
    dragHomePosition = position;
    GObject* root = Root();
    if (oldParent) oldParent->RemoveChild(self);
    touch.savedId = id;
    if (root != this) {
        root->AddChild(self);
        movedByDrag = true;
        SetPosition(p.x - grabOffset.x - root->screenRect.x, p.y - grabOffset.y - root->screenRect.y);
        movedByDrag = false;
    }
    if (oldParent) {
        touch.hovered = oldParent;
        oldParent->OnTouchEnter(touch);
        oldParent->FireSelf(oldParent->touchEnter, touch);
    }
    OnDragStarted();
    FireSelf(dragStarted);
}

GObject* GObject::FindDropTarget(Point p, GObject* exclude) {
    if (this == exclude || !visible || !screenRect.Contains(p)) return nullptr;
    for (size_t i = children.size(); i-- > 0;)
        if (GObject* found = children[i]->FindDropTarget(p, exclude)) return found;
    return dropTarget ? this : nullptr;
}

void GObject::DragMove(Touch& touch) {
    Point p = touch.Current();
    GObject* root = Root();
    shared_ptr<GObject> target(root->FindDropTarget(p, this));
    if (touch.hovered != target) {
        if (touch.hovered) {
            shared_ptr<GObject> h = touch.hovered;
            h->OnTouchLeave(touch);
            h->FireSelf(h->touchLeave, touch);
        }
        touch.hovered = target;
        if (target) {
            target->OnTouchEnter(touch);
            target->FireSelf(target->touchEnter, touch);
        }
    } else if (target) {
        target->OnTouchMove(touch);
        target->FireSelf(target->touchMove, touch);
    }
    movedByDrag = true;
    SetPosition(p.x - grabOffset.x - root->screenRect.x, p.y - grabOffset.y - root->screenRect.y);
    movedByDrag = false;
}

void GObject::DragDrop(Touch& touch) {
    Point p = touch.Current();
    shared_ptr<GObject> self(this);
    id = touch.savedId;
    if (parent) parent->RemoveChild(self);
    shared_ptr<GObject> target = touch.hovered;
    bool accept = false;
    if (target && target->AcceptsDrop(touch)) {
        accept = true;
        target->FireSelf(target->dropQuery, touch, accept);
    }
    if (accept) {
        target->AddChild(self);
        movedByDrag = true;
        SetPosition(p.x - target->screenRect.x - grabOffset.x, p.y - target->screenRect.y - grabOffset.y);
        movedByDrag = false;
    } else {
        // A refused drop goes back where it came from rather than vanishing.
        if (dragHome) {
            dragHome->AddChild(self);
            SetPosition(dragHomePosition.x, dragHomePosition.y);
        }
        OnDropRefused();
        FireSelf(dropRefused);
    }
    OnDragFinished();
    FireSelf(dragFinished);
    if (target) {
        target->OnTouchLeave(touch);
        target->FireSelf(target->touchLeave, touch);
    }
    Release(touch);
    dragHome = nullptr;
    dragging = false;
    touch.dragged = nullptr;
    touch.hovered = nullptr;
    touch.handled = true;
}

// --- Hooks --------------------------------------------------------------------

void GObject::Draw(Surface&) {}
void GObject::OnFocusableChanged(bool) {}
void GObject::OnTouchEnabledChanged(bool) {}
void GObject::OnVisibleChanged(bool) {}
void GObject::OnMoved(int, int) {}
void GObject::OnResized(int, int) {}
void GObject::OnParentChanged(GObject*, GObject*) {}
void GObject::OnChildAdded(const shared_ptr<GObject>&) {}
void GObject::OnChildRemoved(const shared_ptr<GObject>&) {}
void GObject::OnFocusChanged(bool) {}
void GObject::OnTouch(Touch&) {}
void GObject::OnKey(const Key&) {}
void GObject::OnPressed(const Touch&) {}
void GObject::OnReleased(const Touch&) {}
void GObject::OnDragStarted() {}
void GObject::OnDragFinished() {}
void GObject::OnDropRefused() {}
bool GObject::AcceptsDrop(const Touch&) { return true; }
void GObject::OnTouchEnter(const Touch&) {}
void GObject::OnTouchMove(const Touch&) {}
void GObject::OnTouchLeave(const Touch&) {}
