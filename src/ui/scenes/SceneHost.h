#pragma once
#include "base/shared_ptr.h"

class GObject;
class MenuBar;
class PopupBox;
class Scene;

// What a screen may ask of the application shell. Screens never include the
// shell: the shell implements this interface and hands itself to every scene,
// so the dependency runs from the shell down to the screens only.
//
// Contract for implementers:
// - All calls come from the UI thread, or from a worker holding the UI lock.
// - Navigation (Push/Pop/Back/ReturnTo...) may be called from inside an event
//   handler of the scene it removes; the implementation keeps that scene
//   alive until the handler has returned.
// - Nothing here fires back into the caller synchronously except the scene
//   hooks the navigation itself describes (OnLeave, OnHide, UpdateMenuBar...).
class SceneHost {
public:
    virtual ~SceneHost() = default;

    // --- Navigation ---------------------------------------------------------
    // Covers the current top scene and slides the new one in on top.
    virtual void PushScene(const shared_ptr<Scene>& scene) = 0;
    // Removes the top scene at once and slides back to the one below.
    virtual void PopScene() = 0;
    // The scenes' back action: slides back first; the top scene leaves the
    // stack when the slide has ended.
    virtual void Back() = 0;
    // Pop until the registered main menu (or sign-in) scene is on top; does
    // nothing while that scene has not been registered.
    virtual void ReturnToMainMenu() = 0;
    virtual void ReturnToSignIn() = 0;
    // The targets of the two returns above. Non-owning: a scene registers
    // itself when built and passes null when it leaves the stack.
    virtual void SetMainMenuScene(Scene* scene) = 0;
    // Whether there is a main menu to return to (not before sign-in).
    virtual bool HasMainMenu() const = 0;
    virtual void SetSignInScene(Scene* scene) = 0;
    // The scene on top of the stack, or null when the stack is empty.
    virtual Scene* TopScene() const = 0;
    // Every stacked scene rebuilds its content (after a change of language).
    virtual void RebuildAllScenes() = 0;
    // Every stacked scene whose RefreshOnDataChange() is true rebuilds its
    // content (after a rating changed what the lists and details show).
    virtual void RefreshDataScenes() = 0;

    // --- Input ----------------------------------------------------------------
    // Enables or disables both soft keys and the screens' touch input; has no
    // effect while soft keys are not allowed. Screens disable input while a
    // request of theirs runs.
    virtual void SetInputEnabled(bool enabled) = 0;
    // The top scene sets its soft-key labels (UpdateMenuBar). Labels never
    // enable a key while input is disabled: a screen still waiting for its
    // answer keeps both keys off.
    virtual void UpdateSoftKeys() = 0;
    virtual void SetSoftKeysAllowed(bool allowed) = 0;

    // --- Advertising strip ------------------------------------------------------
    virtual void EnableAdvertising() = 0;
    // Shows or hides the strip and its close button, only while advertising is
    // enabled.
    virtual void ShowAdvertising(bool show) = 0;
    virtual void ReloadAdvertising() = 0;
    // A popup box hides the strip while it is open and lets it come back when
    // it closes; unlike ShowAdvertising this never changes whether
    // advertising is enabled, so a strip that was off stays off.
    virtual void CoverAdvertising(bool covered) = 0;
    // True while the strip takes the bottom of the screen: the scene
    // container leaves that space free.
    virtual bool IsAdvertisingVisible() const = 0;

    // --- Shared pieces ------------------------------------------------------------
    virtual PopupBox& GetPopupBox() = 0;
    virtual MenuBar& GetSoftKeys() = 0;
    // The root of the object tree (popup boxes put their layer there).
    virtual shared_ptr<GObject> GetUiRoot() const = 0;
};
