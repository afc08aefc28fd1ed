#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "core/PlainAppServices.h"
#include "ui/GObject.h"
#include "ui/Touch.h"
#include "ui/UIServer.h"
#include "ui/WMSurface.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/Scene.h"
#include "ui/scenes/SceneHost.h"

// The shell as far as the screens see it, without a window: a scene stack
// whose pushes and pops take effect at once, a UI server painting into a
// real surface, and the application services recording errors and returns
// to sign-in (a return really pops to the registered sign-in scene).
// Everything runs on the test's thread under the UI lock; request handlers
// run on the transport's workers under the same lock.
class SceneHarness : public PlainAppServices, public SceneHost, public UIServer {
public:
    SceneHarness(int width, int height);
    ~SceneHarness() override;

    // --- SceneHost --------------------------------------------------------
    void PushScene(const shared_ptr<Scene>& scene) override;
    void PopScene() override;
    void Back() override { PopScene(); }
    void ReturnToMainMenu() override { PopTo(mainMenu); }
    void ReturnToSignIn() override;
    void SetMainMenuScene(Scene* scene) override { mainMenu = scene; }
    void SetSignInScene(Scene* scene) override { signIn = scene; }
    Scene* TopScene() const override { return stack.empty() ? nullptr : stack.back().get(); }
    void RebuildAllScenes() override;
    void SetInputEnabled(bool enabled) override { inputEnabled = enabled; }
    void SetSoftKeysAllowed(bool) override {}
    void EnableAdvertising() override { ++adsEnabled; }
    void ShowAdvertising(bool) override { ++adsShown; }
    void ReloadAdvertising() override { ++adsLoaded; }
    void CoverAdvertising(bool) override {}
    bool IsAdvertisingVisible() const override { return false; }
    PopupBox& GetPopupBox() override;
    MenuBar& GetSoftKeys() override { return softKeys; }
    shared_ptr<GObject> GetUiRoot() const override { return GetRoot(); }

    // --- UIServer: paints into `surface` ----------------------------------
    bool StartTimer() override { return true; }
    void Resize(int w, int h) override { surface = shared_ptr<WMSurface>(new WMSurface(w, h)); }
    bool Paint(const Rect& r) override;

    // --- Driving ----------------------------------------------------------
    // Waits (bounded) until no request is queued or running, then runs the
    // animations to their end.
    bool Settle();
    // The topmost shown label with this text, or null.
    GObject* Find(const std::u16string& text);
    // Every shown label text, in drawing order.
    std::vector<std::u16string> ShownTexts();
    // A complete tap (down, up, click) at the centre of the object's visible part.
    bool Tap(GObject* object);
    bool TapText(const std::u16string& text) { return Tap(Find(text)); }
    // Paints the whole screen and writes it as PNG.
    bool Screenshot(const std::filesystem::path& file);
    size_t Depth() const { return stack.size(); }

    shared_ptr<WMSurface> surface;
    bool inputEnabled = true;
    int adsEnabled = 0, adsShown = 0, adsLoaded = 0;

private:
    void PopTo(Scene* target);
    void ShowTop();

    std::vector<shared_ptr<Scene>> stack;
    Scene* mainMenu = nullptr;
    Scene* signIn = nullptr;
    MenuBar softKeys;
    Touch touch;
};
