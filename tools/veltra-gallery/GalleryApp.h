#pragma once
#include <memory>
#include <vector>

#include "GalleryScenes.h"
#include "ui/app/Application.h"
#include "ui/scenes/MultiSceneLayout.h"
#include "ui/scenes/PopupBox.h"
#include "ui/scenes/SceneHost.h"

// The gallery program: every page side by side in a scene container, as the
// store stacks its screens. The right soft key slides to the next page (first
// closing a popup box that is open), the left one to the previous page.
class GalleryApp : public Application, public SceneHost {
public:
    GalleryApp() = default;
    ~GalleryApp() override;

    void OnCreate(const platform::CreateStruct& create) override;
    bool OnCreateUi() override;
    void OnSize(int width, int height) override;
    void OnKeyDown(int virtualKey) override;

    const std::vector<shared_ptr<gallery::Page>>& Pages() const { return pages; }

    // SceneHost: the gallery has no stack to pop and no advertising strip;
    // back and forth are page turns.
    void PushScene(const shared_ptr<Scene>&) override {}
    void PopScene() override { Turn(-1); }
    void Back() override { Turn(-1); }
    void ReturnToMainMenu() override { ShowPage(0); }
    void ReturnToSignIn() override { ShowPage(0); }
    void SetMainMenuScene(Scene*) override {}
    // Its home links lead to the first page, as a main menu would.
    bool HasMainMenu() const override { return true; }
    void SetSignInScene(Scene*) override {}
    Scene* TopScene() const override;
    void RebuildAllScenes() override;
    // The gallery's pages show no catalog data.
    void RefreshDataScenes() override {}
    void SetInputEnabled(bool enabled) override;
    void UpdateSoftKeys() override;
    void SetSoftKeysAllowed(bool) override {}
    void EnableAdvertising() override {}
    void ShowAdvertising(bool) override {}
    void ReloadAdvertising() override {}
    void CoverAdvertising(bool) override {}
    bool IsAdvertisingVisible() const override { return false; }
    PopupBox& GetPopupBox() override { return *popup; }
    MenuBar& GetSoftKeys() override { return menuBar; }
    shared_ptr<GObject> GetUiRoot() const override { return server.GetRoot(); }

private:
    void Turn(int step);
    void ShowPage(int index);
    void OnSlideEnded();

    std::vector<shared_ptr<gallery::Page>> pages;
    shared_ptr<GObject> container;
    shared_ptr<MultiSceneLayout> switcher;
    std::unique_ptr<PopupBox> popup;
    int current = 0;
};
