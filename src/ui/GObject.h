#pragma once
#include <cstdint>
#include <vector>

#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "ui/Layout.h"
#include "ui/Rect.h"

class GObject;
class Surface;
class UIServer;
class Animator;
struct Touch;
struct Key;

// One node of the drawn object tree. A parent owns its children; the tree is
// attached to a UI server, which collects invalidated areas, holds the focus
// and runs animators. Events stay null until somebody subscribes, so an
// object nobody listens to pays nothing for them.
class GObject : public shared_object {
public:
    using BoolEvent = Delegation_2<shared_ptr<GObject>&, bool>;
    using DeltaEvent = Delegation_3<shared_ptr<GObject>&, int, int>;
    using ChildEvent = Delegation_2<shared_ptr<GObject>&, const shared_ptr<GObject>&>;
    using TouchEvent = Delegation_2<shared_ptr<GObject>&, const Touch&>;
    using KeyEvent = Delegation_2<shared_ptr<GObject>&, const Key&>;
    using DrawnEvent = Delegation_2<shared_ptr<GObject>&, Surface&>;
    using PlainEvent = Delegation_1<shared_ptr<GObject>&>;
    using DropQueryEvent = Delegation_3<shared_ptr<GObject>&, const Touch&, bool&>;
    using ParentEvent = Delegation_3<shared_ptr<GObject>&, GObject*, GObject*>;
    using DestroyedEvent = Delegation_0;

    GObject() = default;
    ~GObject() override;

    // --- Tree -------------------------------------------------------------
    void AddChild(const shared_ptr<GObject>& child, int32_t childId = -1);
    void SetParent(GObject* newParent);
    bool RemoveChild(const shared_ptr<GObject>& child);
    void RemoveChildAt(int index);  // out-of-range index: std::out_of_range
    bool RemoveChildById(int32_t childId);
    void RemoveAllChildren();
    int ChildCount() const { return static_cast<int>(children.size()); }
    shared_ptr<GObject> ChildAt(int index) const;  // out-of-range index: std::out_of_range
    bool FirstChild(shared_ptr<GObject>& out) const;
    bool FindChildById(int32_t childId, shared_ptr<GObject>& out) const;
    bool IndexOfChild(const GObject* child, int& index) const;
    bool GetParent(GObject*& out) const;
    GObject* Parent() const { return parent; }
    const std::vector<shared_ptr<GObject>>& Children() const { return children; }
    const shared_ptr<Layout>& GetLayout() const { return layout; }
    void SetLayout(const shared_ptr<Layout>& newLayout);

    // --- Geometry and flags -------------------------------------------------
    void SetPosition(int32_t x, int32_t y);
    void MoveBy(int32_t dx, int32_t dy);
    void SetSize(int32_t w, int32_t h);
    void SetRect(const Rect& r);
    Point GetPosition() const { return position; }
    int32_t X() const { return position.x; }
    int32_t Y() const { return position.y; }
    int32_t Width() const { return size.width; }
    int32_t Height() const { return size.height; }
    Rect GetRect() const { return Rect(position.x, position.y, size.width, size.height); }
    const Rect& GetScreenRect() const { return screenRect; }
    void SetDrawMargins(int32_t left, int32_t top, int32_t width, int32_t height);
    Rect GetDrawMargins() const { return drawMargins; }

    void SetVisible(bool value);
    bool IsVisible() const { return visible; }
    void SetFocusable(bool value);
    bool IsFocusable() const { return focusable; }
    void SetTouchEnabled(bool value);
    bool IsTouchEnabled() const { return touchEnabled; }
    void SetFocused(bool value);
    bool IsFocused() const { return focused; }
    bool IsPressed() const { return pressed; }
    // How the key highlight treats the object: as any other (Auto), passing
    // over it although it is tappable (Skip: a caption whose tap only puts the
    // cursor in the box below), or starting on it when its page comes up
    // (Start: the current choice of a list).
    enum class KeyRole : uint8_t { Auto, Skip, Start };
    void SetKeyRole(KeyRole value) { keyRole = value; }
    KeyRole GetKeyRole() const { return keyRole; }
    void SetClearsFocusOnTap(bool value) { clearsFocusOnTap = value; }
    bool ClearsFocusOnTap() const { return clearsFocusOnTap; }
    void SetTransparency(int value, bool applyToChildren = false);
    int GetTransparency() const { return transparency; }
    void SetClipToParent(bool value) { clipToParent = value; }
    bool ClipsToParent() const { return clipToParent; }
    void SetUserValue(int32_t value) { userValue = value; }
    int32_t GetUserValue() const { return userValue; }
    int32_t GetId() const { return id; }
    void SetId(int32_t value) { id = value; }
    UIServer* GetServer() const { return server; }
    void SetDraggable(bool value) { draggable = value; }
    bool IsDraggable() const { return draggable; }
    void SetDropTarget(bool value) { dropTarget = value; }
    bool IsDropTarget() const { return dropTarget; }
    bool IsDragging() const { return dragging; }

    // Marks the object's area (with its draw margins) dirty in the server.
    void Invalidate();

    // Hands an animator to the UI server; a detached object ignores it.
    void StartAnimator(const shared_ptr<Animator>& animator);

    // Attaches a whole subtree to a server (the server does this for its root).
    void SetServer(UIServer* newServer);

    // --- Events -------------------------------------------------------------
    shared_ptr<DrawnEvent>& Drawn() { return Lazy(drawn); }
    shared_ptr<BoolEvent>& FocusableChanged() { return Lazy(focusableChanged); }
    shared_ptr<BoolEvent>& TouchEnabledChanged() { return Lazy(touchEnabledChanged); }
    shared_ptr<BoolEvent>& VisibleChanged() { return Lazy(visibleChanged); }
    shared_ptr<DeltaEvent>& Moved() { return Lazy(moved); }
    shared_ptr<DeltaEvent>& Resized() { return Lazy(resized); }
    shared_ptr<ChildEvent>& ChildAdded() { return Lazy(childAdded); }
    shared_ptr<ChildEvent>& ChildRemoved() { return Lazy(childRemoved); }
    shared_ptr<TouchEvent>& Touched() { return Lazy(touched); }
    shared_ptr<TouchEvent>& Pressed() { return Lazy(pressedEvent); }
    shared_ptr<TouchEvent>& Released() { return Lazy(released); }
    shared_ptr<KeyEvent>& KeyPressed() { return Lazy(keyPressed); }
    shared_ptr<BoolEvent>& FocusChanged() { return Lazy(focusChanged); }
    shared_ptr<PlainEvent>& DragStarted() { return Lazy(dragStarted); }
    shared_ptr<PlainEvent>& DragFinished() { return Lazy(dragFinished); }
    shared_ptr<PlainEvent>& DropRefused() { return Lazy(dropRefused); }
    shared_ptr<DropQueryEvent>& DropQuery() { return Lazy(dropQuery); }
    shared_ptr<TouchEvent>& TouchEnter() { return Lazy(touchEnter); }
    shared_ptr<TouchEvent>& TouchMove() { return Lazy(touchMove); }
    shared_ptr<TouchEvent>& TouchLeave() { return Lazy(touchLeave); }
    shared_ptr<ParentEvent>& ParentChanged() { return Lazy(parentChanged); }
    shared_ptr<DestroyedEvent>& Destroyed() { return Lazy(destroyed); }
    // True when somebody subscribed to Touched: only such objects are tappable.
    bool IsTappable() const { return touched && !touched->Empty(); }

    // --- Dispatch -----------------------------------------------------------
    void DrawTree(Surface& surface);
    bool ProcessTouch(Touch& touch);
    bool ProcessKey(const Key& key);
    // Ends the pressed state of this object (no-op when it is not pressed).
    void Release(Touch& touch);

    // --- Hooks, in the order subclasses override them -------------------------
    virtual void Draw(Surface& surface);
    virtual void OnFocusableChanged(bool value);
    virtual void OnTouchEnabledChanged(bool value);
    virtual void OnVisibleChanged(bool value);
    virtual void OnMoved(int dx, int dy);
    virtual void OnResized(int dw, int dh);
    virtual void OnParentChanged(GObject* oldParent, GObject* newParent);
    virtual void OnChildAdded(const shared_ptr<GObject>& child);
    virtual void OnChildRemoved(const shared_ptr<GObject>& child);
    virtual void OnFocusChanged(bool value);
    virtual void OnTouch(Touch& touch);
    virtual void OnKey(const Key& key);
    virtual void OnPressed(const Touch& touch);
    virtual void OnReleased(const Touch& touch);
    virtual void OnDragStarted();
    virtual void OnDragFinished();
    virtual void OnDropRefused();
    virtual bool AcceptsDrop(const Touch& touch);
    virtual void OnTouchEnter(const Touch& touch);
    virtual void OnTouchMove(const Touch& touch);
    virtual void OnTouchLeave(const Touch& touch);

private:
    template <class E>
    static shared_ptr<E>& Lazy(shared_ptr<E>& e) {
        if (!e) e = new E();
        return e;
    }
    // Fires `event` with this object as sender. An object that no shared_ptr
    // holds yet (still being configured) must not be destroyed by the
    // temporary sender pointer, and one whose last owner lets go inside a
    // handler is destroyed only after the handlers returned.
    template <class E, class... Args>
    void FireSelf(const shared_ptr<E>& event, Args&&... args);

    void MoveScreenRect(int32_t dx, int32_t dy);  // this object and its subtree
    void InvalidateRect(const Rect& r);
    void Press(Touch& touch);
    void TappedBy(Touch& touch);
    GObject* Root();
    static void ThrowOutOfRange();

    // Drag and drop: kept in the node, never enabled by the application.
    void StartDrag(Touch& touch);
    void DragMove(Touch& touch);
    void DragDrop(Touch& touch);
    GObject* FindDropTarget(Point p, GObject* exclude);

    GObject* parent = nullptr;
    std::vector<shared_ptr<GObject>> children;
    Point position;
    struct Size {
        int32_t width = 0;
        int32_t height = 0;
    } size;
    Rect screenRect;
    Rect drawMargins;
    bool visible = true;
    bool focusable = false;
    bool touchEnabled = true;
    bool focused = false;
    bool pressed = false;
    bool clearsFocusOnTap = true;
    int transparency = 255;
    int32_t userValue = 0;
    int32_t id = -1;
    shared_ptr<Layout> layout;
    UIServer* server = nullptr;
    bool dragging = false;
    bool draggable = false;
    Point grabOffset;
    bool movedByDrag = false;
    bool dropTarget = false;

    shared_ptr<DrawnEvent> drawn;
    shared_ptr<BoolEvent> focusableChanged;
    shared_ptr<BoolEvent> touchEnabledChanged;
    shared_ptr<BoolEvent> visibleChanged;
    shared_ptr<DeltaEvent> moved;
    shared_ptr<DeltaEvent> resized;
    shared_ptr<ChildEvent> childAdded;
    shared_ptr<ChildEvent> childRemoved;
    shared_ptr<TouchEvent> touched;
    shared_ptr<TouchEvent> pressedEvent;
    shared_ptr<TouchEvent> released;
    shared_ptr<KeyEvent> keyPressed;
    shared_ptr<BoolEvent> focusChanged;
    shared_ptr<PlainEvent> dragStarted;
    shared_ptr<PlainEvent> dragFinished;
    shared_ptr<PlainEvent> dropRefused;
    shared_ptr<DropQueryEvent> dropQuery;
    shared_ptr<TouchEvent> touchEnter;
    shared_ptr<TouchEvent> touchMove;
    shared_ptr<TouchEvent> touchLeave;
    shared_ptr<ParentEvent> parentChanged;
    shared_ptr<DestroyedEvent> destroyed;

    bool clipToParent = false;
    KeyRole keyRole = KeyRole::Auto;

    // Where a drag started, so that a refused drop can go back there.
    shared_ptr<GObject> dragHome;
    Point dragHomePosition;
};
