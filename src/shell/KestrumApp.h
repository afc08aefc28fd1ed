#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ScopedSubscription.h"
#include "core/AppServices.h"
#include "shell/AdStrip.h"
#include "shell/HtmlAdViewer.h"
#include "ui/app/Application.h"
#include "ui/scenes/SceneHost.h"

class Scene;
class PopupBox;
class MultiSceneLayout;

// The store's application object: the window and its start-up and shut-down
// steps, the stack of screens, soft keys to popup boxes or the top screen,
// the busy indicator, the advertising strip (when the device has the HTML viewer)
// and the hand-over of an application id from a second start. It is the
// SceneHost of every screen and the AppServices of the store logic.
class KestrumApp : public Application, public SceneHost, public AppServices {
public:
    static constexpr std::uint32_t kHandOverMessage = platform::WM_USER + 200;
    // Our own: a request about the advertising strip made off the UI thread.
    static constexpr std::uint32_t kAdvertisingMessage = platform::WM_USER + 202;
    static constexpr const char16_t* kWindowName = u"Tobrix";
    static constexpr int32_t kSceneContainerId = -30;
    static constexpr int32_t kCloseAdsId = 1000;
    static constexpr int32_t kStripLinkId = 1001;
    static constexpr int32_t kBusyLayerId = -32;
    static constexpr int kLoadingFrames = 8;

    explicit KestrumApp(std::u16string pendingAppId);
    ~KestrumApp() override;

    // Gives the shell another view for the advertising strip before Init
    // (tests); otherwise the shell makes one of the device's HTML viewer.
    void SetAdViewer(AdViewer* viewer, std::u16string site);
    // The HTML viewer's window of the strip, or null.
    platform::Window* GetAdWindow() const { return htmlAdViewer ? htmlAdViewer->GetWindow() : nullptr; }
    AdStrip* GetAdStrip() { return adStrip.get(); }

    // --- Application hooks ------------------------------------------------------
    void OnSize(int width, int height) override;
    void OnCreate(const platform::CreateStruct& create) override;
    void OnDestroy() override;
    void OnNotify(const platform::NotifyHeader& header) override;
    void OnStylusUp(int x, int y) override;
    void OnKeyDown(int virtualKey) override;
    void OnTimer(std::uintptr_t id) override;
    void OnAlreadyRunning(platform::WindowRef& running) override;
    platform::LRESULT WindowProc(platform::Window* window, std::uint32_t message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;
    bool OnCreateUi() override;

    // --- SceneHost ------------------------------------------------------------------
    void PushScene(const shared_ptr<Scene>& scene) override;
    void PopScene() override;
    void Back() override;
    void ReturnToMainMenu() override;
    void ReturnToSignIn() override;
    void SetMainMenuScene(Scene* scene) override { mainMenuScene = scene; }
    bool HasMainMenu() const override { return mainMenuScene != nullptr; }
    void SetSignInScene(Scene* scene) override { signInScene = scene; }
    Scene* TopScene() const override;
    void RebuildAllScenes() override;
    void RefreshDataScenes() override;
    void SetInputEnabled(bool enabled) override;
    void UpdateSoftKeys() override;
    void SetSoftKeysAllowed(bool allowed) override { softKeysAllowed = allowed; }
    void EnableAdvertising() override;
    void ShowAdvertising(bool show) override;
    void ReloadAdvertising() override;
    void CoverAdvertising(bool covered) override;
    bool IsAdvertisingVisible() const override;
    PopupBox& GetPopupBox() override;
    MenuBar& GetSoftKeys() override { return menuBar; }
    shared_ptr<GObject> GetUiRoot() const override;

    // --- AppServices ----------------------------------------------------------------
    using BaseApplication::ShowError;
    std::recursive_mutex& UILock() override { return uiLock; }
    void RaiseBusy() override;
    void LowerBusy() override;
    void ShowError(int32_t code) override;
    void AskPopup(int32_t title, const std::u16string& text, int32_t button1, int32_t button2,
                  std::function<void(int)> answer) override;

    const std::u16string& PendingAppId() const { return pendingAppId; }
    // Hands the pending id to the main menu once, clearing it.
    std::u16string TakePendingAppId();
    size_t StackSize() const { return stack.size(); }
    bool InTransition() const { return transition; }

private:
    // A file of the program's folder on the host.
    std::optional<std::filesystem::path> AppFile(const std::u16string& name) const;
    enum AdRequest : platform::WPARAM { kAdEnable, kAdShow, kAdHide, kAdReload, kAdCover, kAdUncover };
    void RequestAdvertising(AdRequest request);
    void CarryOutAdvertising(platform::WPARAM request);
    void StripShown(bool shown);
    void CreateAdStrip();
    static std::u16string AdvertisingSite();
    void BuildRoot();
    void BuildBusyIndicator();
    void OpenDetails(int32_t appId);
    void OnCloseAdsTouched(shared_ptr<GObject>& sender, const Touch& touch);
    void SoftKey(bool left);
    void PopUntil(Scene* target);
    void KeysToTop();
    void RemoveTop();
    void FinishBack();
    void OnSlideEnded();

    std::u16string pendingAppId;
    std::vector<shared_ptr<Scene>> stack;
    shared_ptr<MultiSceneLayout> switcher;
    shared_ptr<GObject> sceneContainer;
    shared_ptr<GObject> busyLayer;
    shared_ptr<GObject> closeAdsButton;
    // Where the keys stop on the strip itself: the strip is a window of its
    // own, so this lies under it and the strip rings itself.
    shared_ptr<GObject> stripLinkStop;
    bool transition = false;
    std::unique_ptr<PopupBox> popupBox;
    Scene* mainMenuScene = nullptr;
    Scene* signInScene = nullptr;
    bool softKeysAllowed = true;
    // False while a screen waits for its answer: soft-key labels set
    // meanwhile leave both keys off, and a finished slide takes no taps.
    bool inputEnabled = true;
    AdViewer* adViewer = nullptr;
    std::u16string adSite;
    std::unique_ptr<HtmlAdViewer> htmlAdViewer;
    std::unique_ptr<AdStrip> adStrip;
    int systemFontHeight = 0;
    ScopedSubscription showMyApps;
};
