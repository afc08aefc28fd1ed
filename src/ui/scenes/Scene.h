#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "ui/GObject.h"
#include "ui/Touch.h"

class SceneHost;
template <class Base> class TLabel;
template <class Base> class THotLabel;

// One full-screen page of the store. The shell owns the stack of scenes,
// creates each scene's root (CreateRoot), puts the roots side by side in its
// scene container and calls the hooks below as scenes come and go:
//
//   push:  OnCovered on the scene below, CreateRoot -> Build, slide in,
//          OnShown when the slide has ended.
//   pop:   OnLeave, slide out, OnHide, OnRemoved, root removed, then the new
//          top scene gets UpdateMenuBar.
//   popup: while a popup box is open the scene sees no soft key; after it
//          closed, OnResume and UpdateMenuBar.
//
// Soft keys reach the top scene through OnLeftSoftKey / OnRightSoftKey only.
// A scene reaches the shell only through its SceneHost, which must outlive it.
class Scene : public shared_object {
public:
    explicit Scene(SceneHost* host) : host(host) {}
    ~Scene() override;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // --- Hooks, in the order screens override them ------------------------------
    // First call when the scene is popped; scenes that own native edit
    // windows destroy them here.
    virtual void OnLeave() {}
    // The slide that brought the scene in has ended.
    virtual void OnShown() {}
    // A popup box closed: show native windows again.
    virtual void OnResume() {}
    // Fills the root with the scene's objects; runs on every Refresh.
    virtual void Build(const shared_ptr<GObject>& root) = 0;
    // Sets the soft-key labels: "back" on the left, nothing on the right.
    virtual void UpdateMenuBar(const shared_ptr<GObject>& root);
    // The scene is being removed (before its root leaves the container):
    // hide native windows, keep edits.
    virtual void OnHide(const shared_ptr<GObject>& /*root*/) {}
    virtual void OnRemoved(const shared_ptr<GObject>& /*root*/) {}
    // Another scene was pushed over this one; it stays on the stack. Screens
    // that keep edits only on screen store them here, as they do when closed.
    virtual void OnCovered() {}
    // Default: go back through the shell.
    virtual void OnLeftSoftKey();
    virtual void OnRightSoftKey() {}
    // A row of a check list was clicked; selection screens store the choice
    // and go back. Default: go back.
    virtual void OnChoose(int index);
    // True for the screens of the sign-in flow (sign-in, registration,
    // restore): the shell tells them from the store screens by it.
    virtual bool IsSignInScreen() const { return false; }
    // The catalog list's filter bar reports a changed filter.
    virtual void OnFilterChanged(int /*id*/, int /*value*/) {}
    // True when the scene shows shared data (install states, ratings) and must
    // be rebuilt when that data changes.
    virtual bool RefreshOnDataChange() const { return false; }
    // The key highlight walks the scene's stops in reading order; a scene
    // whose reading order is wrong puts them in its own here.
    virtual void OrderKeyStops(std::vector<GObject*>& /*stops*/) {}

    // --- Root -------------------------------------------------------------------
    // Creates the root (a movable object the scene container slides), keeps it
    // and builds it once.
    shared_ptr<GObject> CreateRoot();
    // Rebuilds the root's content from scratch under a fresh SceneLayout, with
    // one layout pass for the whole build. Does nothing before CreateRoot.
    void Refresh();
    const shared_ptr<GObject>& GetRoot() const { return root; }
    SceneHost* GetHost() const { return host; }

    // Opens a link target through the platform shell when its label is
    // clicked. Any other kind of touch (down, up, move, double tap) is
    // ignored, so a press that turned into a drag opens nothing.
    class AppLauncher : public Delegate_2<shared_ptr<GObject>&, const Touch&> {
    public:
        explicit AppLauncher(std::u16string target) : target(std::move(target)) {}
        void Invoke(shared_ptr<GObject>& sender, const Touch& touch) override;
        const std::u16string& Target() const { return target; }

    private:
        std::u16string target;
    };

    // A vertically centred hot label with the text, blue while idle and red
    // while pressed, that opens `target` when clicked; added to `parent`.
    // `horizontalAlign` is the label's alignment flag (left, centre, right).
    static shared_ptr<THotLabel<TLabel<GObject>>> AddLink(const shared_ptr<GObject>& parent,
                                                          const std::u16string& text,
                                                          const std::u16string& target,
                                                          uint32_t horizontalAlign);

protected:
    SceneHost* const host;

private:
    shared_ptr<GObject> root;
};
