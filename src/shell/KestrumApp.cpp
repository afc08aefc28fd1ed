#include "shell/KestrumApp.h"

#include <algorithm>

#include "apps/AppManager.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/ApiUrl.h"
#include "platform/htmlview/HtmlView.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"
#include "shell/Loading.h"
#include "ui/ImagePool.h"
#include "ui/app/InputManager.h"
#include "ui/scenes/MultiSceneLayout.h"
#include "ui/scenes/PopupBox.h"
#include "ui/widgets/WidgetTypes.h"
#include "screens/LoginScene.h"
#include "screens/ScreenLinks.h"
#include "shell/LoadingLayout.h"
#include "ui/FontManager.h"
#include "ui/layouts/RootMainLayout.h"
#include "ui/scenes/Scene.h"

using namespace platform;

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

}  // namespace

KestrumApp::KestrumApp(std::u16string pendingAppId) : pendingAppId(std::move(pendingAppId)) {
    if (HasCurrentDevice()) systemFontHeight = std::abs(CurrentDevice().Info().systemFontHeight);
}

KestrumApp::~KestrumApp() {
    std::lock_guard lock(uiLock);
    Loading::Instance().Unregister();
    // Workers that finish after us must find no application to call into.
    if (Kestrum::Instance().GetApplication() == this) Kestrum::Instance().SetApplication(nullptr);
    InputManager::Instance().SetApplication(nullptr);
    mainMenuScene = signInScene = nullptr;
    // The highlight's listener reaches into this object.
    server.Keys().SetOnHighlight({});
    server.Keys().SetTrailing({});
    server.SetOverlay(shared_ptr<GObject>());
    server.Keys().SetScope(shared_ptr<GObject>());
    stack.clear();
    server.SetRoot(shared_ptr<GObject>());
}

void KestrumApp::SetAdViewer(AdViewer* viewer, std::u16string site) {
    adViewer = viewer;
    adSite = std::move(site);
}

// --- Start-up and shut-down ------------------------------------------------------

void KestrumApp::OnCreate(const CreateStruct& create) {
    Application::OnCreate(create);
    const std::u16string locale = U16(CurrentDevice().Info().localeId);
    if (auto file = AppFile(u"localization.xml")) Localization::Instance().Load(*file, locale);
    Kestrum::Instance().SetApplication(this);
    InputManager::Instance().SetApplication(this);
    ImagePool::Instance().SetBaseFolder(appFolder);
    CreateMenuBar();
    // The store's own update, once accepted, is followed on My applications.
    showMyApps = ScopedSubscription::ToFn(nullptr, AppManager::Instance().ShowMyApplications,
                                          [this] { screenlinks::OpenMyApps(this); });
    if (auto file = AppFile(u"settings.dat")) Kestrum::Instance().LoadSettings(*file);
}

void KestrumApp::OnDestroy() {
    Application::OnDestroy();
    showMyApps.Reset();
    if (auto file = AppFile(u"settings.dat")) Kestrum::Instance().SaveSettings(*file);
}

std::optional<std::filesystem::path> KestrumApp::AppFile(const std::u16string& name) const {
    return CurrentDevice().HostPath(appFolder + name);
}

// --- The shell -------------------------------------------------------------------

bool KestrumApp::OnCreateUi() {
    Application::OnCreateUi();
    std::lock_guard lock(uiLock);
    CreateAdStrip();
    BuildRoot();
    LoginScene::Exits exits;
    // The sign-in screen lives on the stack, which goes with this object.
    exits.takePendingAppId = [this] { return TakePendingAppId(); };
    exits.quit = [this] { Quit(); };
    PushScene(shared_ptr<Scene>(new LoginScene(this, std::move(exits))));
    BuildBusyIndicator();
    return true;
}

// Without the device's HTML viewer there is no strip, and nothing else changes.
void KestrumApp::CreateAdStrip() {
    if (!adViewer) {
        htmlAdViewer = HtmlAdViewer::Create(window);
        if (!htmlAdViewer) return;
        adViewer = htmlAdViewer.get();
        adSite = AdvertisingSite();
        // The viewer takes the keyboard until the window takes it back at the
        // end of its start-up; the viewer hands keys on to us meanwhile.
        WindowSystem::Current().SetFocus(htmlAdViewer->GetWindow());
    }
    AdStrip::Hooks hooks;
    hooks.showCloseButton = [this](bool v) { StripShown(v); };
    hooks.startTimer = [this](unsigned ms) { WindowSystem::Current().SetTimer(window, AdStrip::kTimerId, ms); };
    hooks.stopTimer = [this] { WindowSystem::Current().KillTimer(window, AdStrip::kTimerId); };
    // Fire and forget: nobody waits for the browser, and its failure is not ours to report.
    hooks.openBrowser = [](const std::u16string& link) {
        if (auto browser = CreateDeviceProcess(u"\\Windows\\iexplore.exe", link)) browser->Detach();
    };
    hooks.languageName = [] { return Localization::Instance().CurrentLanguage(); };
    adStrip = std::make_unique<AdStrip>(*adViewer, adSite, std::move(hooks));
    adStrip->Place(width, height, systemFontHeight);
}

// The advertising site is deployment data of the device; a device that names
// none shows the pages of the catalog service it uses.
std::u16string KestrumApp::AdvertisingSite() {
    std::u16string site = HasCurrentDevice() ? U16(CurrentDevice().Info().adsUrl) : std::u16string();
    if (site.empty()) site = CatalogBaseUrl();
    if (!site.empty() && site.back() != u'/') site += u'/';
    return site;
}

void KestrumApp::OnSize(int w, int h) {
    Application::OnSize(w, h);
    if (shared_ptr<GObject> root = server.GetRoot()) root->SetSize(w, h);
    if (adStrip) adStrip->Place(w, h, systemFontHeight);
}

void KestrumApp::BuildRoot() {
    shared_ptr<GObject> root(new GObject());
    root->SetSize(width, height);
    root->SetLayout(shared_ptr<Layout>(new RootMainLayout(5 * systemFontHeight)));
    sceneContainer = new GObject();
    switcher = new MultiSceneLayout(this, 5 * systemFontHeight);
    Subscribe(switcher->SlideEnded(), this, &KestrumApp::OnSlideEnded);
    sceneContainer->SetLayout(switcher);
    root->AddChild(sceneContainer, kSceneContainerId);
    shared_ptr<widgets::HotImage> close(new widgets::HotImage());
    close->AddImageState(0, ImagePool::Instance().GetImage(u"icon_close_ads.png"));
    close->SetStretch(true);
    close->SetImageState(0);
    close->SetVisible(false);
    Subscribe(close->Touched(), this, &KestrumApp::OnCloseAdsTouched);
    root->AddChild(close, kCloseAdsId);
    closeAdsButton = close;
    shared_ptr<GObject> link(new GObject());
    link->SetVisible(false);
    SubscribeFn(link->Touched(), [this](shared_ptr<GObject>&, const Touch& touch) {
        if (touch.type == Touch::Click && adStrip) adStrip->OnLinkChosen();
    });
    root->AddChild(link, kStripLinkId);
    stripLinkStop = link;
    server.SetRoot(root);
    // The strip and its close button are the last stops of every screen;
    // content scrolls clear of the button.
    server.SetOverlay(closeAdsButton);
    server.Keys().SetTrailing({closeAdsButton, stripLinkStop});
    server.Keys().SetOnHighlight([this](GObject* lit) {
        if (adViewer) adViewer->ShowKeyHighlight(lit && lit == stripLinkStop.get());
    });
}

// A dimmed layer over everything, with the spinning frames and the text in
// the middle, so that nothing underneath takes a tap while a request runs.
void KestrumApp::BuildBusyIndicator() {
    shared_ptr<widgets::FadingColorBar> layer(new widgets::FadingColorBar());
    layer->SetFillColor(0, 0, 0);
    layer->SetTransparency(110);
    SubscribeFn(layer->Touched(), [](shared_ptr<GObject>&, const Touch&) {});
    shared_ptr<widgets::LoadingAnimation> spinner(new widgets::LoadingAnimation());
    for (int i = 0; i < kLoadingFrames; ++i)
        spinner->AddFrame(ImagePool::Instance().GetImage(u"load" + ::text::ToU16(i) + u".png"));
    shared_ptr<widgets::Label> label(new widgets::Label());
    label->SetText(u"Loading...");
    label->SetColor(0xFFFFFF);
    label->SetFont(FontManager::Instance().GetFont(600, systemFontHeight));
    label->SetAlign(widgets::Label::Centre, widgets::Label::Middle);
    layer->AddChild(spinner, LoadingLayout::kSpinnerId);
    layer->AddChild(label, LoadingLayout::kTextId);
    layer->SetLayout(shared_ptr<Layout>(new LoadingLayout(systemFontHeight)));
    server.GetRoot()->AddChild(layer, kBusyLayerId);
    busyLayer = layer;
    Loading::View view;
    view.layer = layer;
    widgets::LoadingAnimation* frames = spinner.get();
    view.restartAnimation = [frames] { frames->Play(true); };
    view.stopAnimation = [frames] { frames->StopPlaying(); };
    widgets::Label* text = label.get();
    view.setText = [text](const std::u16string& t) { text->SetText(t); };
    Loading::Instance().Register(std::move(view));
}

void KestrumApp::OnCloseAdsTouched(shared_ptr<GObject>& /*sender*/, const Touch& touch) {
    if (touch.type == Touch::Click && adStrip) adStrip->OnCloseTapped();
}

void KestrumApp::OpenDetails(int32_t appId) {
    screenlinks::OpenAppDetails(this, std::u16string(), Str(textid::kBack), appId);
}

std::u16string KestrumApp::TakePendingAppId() {
    std::u16string id;
    id.swap(pendingAppId);
    return id;
}

shared_ptr<GObject> KestrumApp::GetUiRoot() const { return server.GetRoot(); }

// --- Scene stack -------------------------------------------------------------------

Scene* KestrumApp::TopScene() const { return stack.empty() ? nullptr : stack.back().get(); }

void KestrumApp::PushScene(const shared_ptr<Scene>& scene) {
    if (!scene || !sceneContainer) return;
    if (!stack.empty()) stack.back()->OnCovered();
    stack.push_back(scene);
    shared_ptr<GObject> root = scene->CreateRoot();
    sceneContainer->AddChild(root);
    KeysToTop();
    UpdateSoftKeys();
    transition = false;
    // Taps during the slide would land on a screen that is on its way out.
    sceneContainer->SetTouchEnabled(false);
    // The first screen enters as every later one does: from the right.
    if (stack.size() == 1) root->SetPosition(sceneContainer->Width(), 0);
    switcher->ShowIndex(static_cast<int>(stack.size()) - 1, true);
}

void KestrumApp::OnSlideEnded() {
    if (transition) {
        FinishBack();
        return;
    }
    sceneContainer->SetTouchEnabled(inputEnabled);
    if (Scene* top = TopScene()) top->OnShown();
}

void KestrumApp::PopScene() {
    if (stack.empty()) return;
    // The scene may be the one whose handler asked for the pop.
    shared_ptr<Scene> leaving = stack.back();
    leaving->OnLeave();
    RemoveTop();
    switcher->ShowIndex(std::max<int>(0, static_cast<int>(stack.size()) - 1), false);
    sceneContainer->SetTouchEnabled(inputEnabled);
}

void KestrumApp::RemoveTop() {
    shared_ptr<Scene> leaving = stack.back();
    const shared_ptr<GObject> root = leaving->GetRoot();
    leaving->OnHide(root);
    leaving->OnRemoved(root);
    if (root) sceneContainer->RemoveChild(root);
    if (leaving.get() == mainMenuScene) mainMenuScene = nullptr;
    if (leaving.get() == signInScene) signInScene = nullptr;
    transition = false;
    stack.pop_back();
    KeysToTop();
    UpdateSoftKeys();
}

// The keys walk the scene on top, in the order it gives.
void KestrumApp::KeysToTop() {
    shared_ptr<Scene> top = stack.empty() ? shared_ptr<Scene>() : stack.back();
    KeyNavigator::Order order;
    if (top) order = [top](std::vector<GObject*>& stops) { top->OrderKeyStops(stops); };
    server.Keys().SetScope(top ? top->GetRoot() : shared_ptr<GObject>(), std::move(order));
}

void KestrumApp::Back() {
    // A second back while one slides would pop two screens for one request.
    if (stack.size() < 2 || transition) return;
    stack.back()->OnLeave();
    transition = true;
    sceneContainer->SetTouchEnabled(false);
    switcher->ShowIndex(static_cast<int>(stack.size()) - 2, true);
}

void KestrumApp::FinishBack() {
    transition = false;
    if (!stack.empty()) RemoveTop();
    sceneContainer->SetTouchEnabled(inputEnabled);
    // The screen below has slid back in, as a pushed one slides in.
    if (Scene* top = TopScene()) top->OnShown();
}

void KestrumApp::PopUntil(Scene* target) {
    if (!target) return;
    if (std::none_of(stack.begin(), stack.end(), [&](const shared_ptr<Scene>& s) { return s.get() == target; }))
        return;
    if (transition) FinishBack();
    while (!stack.empty() && stack.back().get() != target) {
        stack.back()->OnLeave();
        RemoveTop();
    }
    switcher->ShowIndex(static_cast<int>(stack.size()) - 1, false);
    // The screens popped here dropped whatever they were waiting for; the
    // one now on top takes input again.
    SetInputEnabled(true);
}

void KestrumApp::ReturnToMainMenu() { PopUntil(mainMenuScene); }

void KestrumApp::ReturnToSignIn() {
    std::lock_guard lock(uiLock);
    PopUntil(signInScene);
}

void KestrumApp::RebuildAllScenes() {
    for (const shared_ptr<Scene>& scene : std::vector<shared_ptr<Scene>>(stack)) scene->Refresh();
    UpdateSoftKeys();
}

void KestrumApp::RefreshDataScenes() {
    for (const shared_ptr<Scene>& scene : std::vector<shared_ptr<Scene>>(stack))
        if (scene->RefreshOnDataChange()) scene->Refresh();
    UpdateSoftKeys();
}

// --- Input ---------------------------------------------------------------------------

void KestrumApp::SetInputEnabled(bool enabled) {
    if (!softKeysAllowed) return;
    inputEnabled = enabled;
    menuBar.EnableSoftKey(0, enabled);
    menuBar.EnableSoftKey(1, enabled);
    if (sceneContainer) sceneContainer->SetTouchEnabled(enabled && !transition);
}

void KestrumApp::UpdateSoftKeys() {
    if (Scene* top = TopScene()) {
        // The scene may set its labels with keys enabled; a screen that is
        // still loading keeps both off all the same.
        top->UpdateMenuBar(top->GetRoot());
    }
    if (!inputEnabled) {
        menuBar.EnableSoftKey(0, false);
        menuBar.EnableSoftKey(1, false);
    }
}

void KestrumApp::OnKeyDown(int virtualKey) {
    if (virtualKey != VK_F1 && virtualKey != VK_F2) {
        Application::OnKeyDown(virtualKey);
        return;
    }
    SoftKey(virtualKey == VK_F1);
}

void KestrumApp::SoftKey(bool left) {
    server.SetFocus(shared_ptr<GObject>());
    if (popupBox && popupBox->IsOpen()) {
        // The box gives the keys back to the top scene itself.
        popupBox->OnSoftKey(left);
        return;
    }
    // A disabled key does nothing: the screen waits for an answer, or slides.
    if (!menuBar.IsEnabled(left ? 0 : 1) || transition) return;
    shared_ptr<Scene> top = stack.empty() ? shared_ptr<Scene>() : stack.back();
    if (!top) return;
    if (left)
        top->OnLeftSoftKey();
    else
        top->OnRightSoftKey();
}

// --- Busy indicator ----------------------------------------------------------------------

void KestrumApp::RaiseBusy() {
    std::lock_guard lock(uiLock);
    Loading::Instance().Raise();
}

void KestrumApp::LowerBusy() {
    std::lock_guard lock(uiLock);
    Loading::Instance().Lower();
}

// --- Advertising ---------------------------------------------------------------------------

// The screens ask for these from network workers too (a "config" answer, an
// error popup), holding the UI lock. The viewer is a window of the UI thread,
// and a worker must never wait for that thread, which may be waiting for the
// lock: off the UI thread the requests are posted to our own window and
// carried out there, in the order they were made.
void KestrumApp::RequestAdvertising(AdRequest request) {
    if (!adStrip) return;
    if (WindowSystem::Current().OnUIThread())
        CarryOutAdvertising(request);
    else
        WindowSystem::Current().PostMessage(window, kAdvertisingMessage, request, 0);
}

void KestrumApp::CarryOutAdvertising(WPARAM request) {
    if (!adStrip) return;
    switch (request) {
    case kAdEnable:
        adStrip->Enable();
        return;
    case kAdShow:
    case kAdHide:
        adStrip->Show(request == kAdShow);
        return;
    case kAdReload:
        adStrip->Reload();
        return;
    case kAdCover:
    case kAdUncover:
        if (!adStrip->IsEnabled()) return;
        adViewer->Show(request == kAdUncover);
        StripShown(request == kAdUncover);
        return;
    default:
        return;
    }
}

// Whenever the strip comes or goes, its close button follows it and the
// screens above take back, or give up, its rows.
void KestrumApp::StripShown(bool shown) {
    if (closeAdsButton) closeAdsButton->SetVisible(shown);
    if (stripLinkStop) stripLinkStop->SetVisible(shown);
    if (switcher) switcher->Update(LayoutRelayout);
}

void KestrumApp::EnableAdvertising() { RequestAdvertising(kAdEnable); }
void KestrumApp::ShowAdvertising(bool show) { RequestAdvertising(show ? kAdShow : kAdHide); }
void KestrumApp::ReloadAdvertising() { RequestAdvertising(kAdReload); }
void KestrumApp::CoverAdvertising(bool covered) { RequestAdvertising(covered ? kAdCover : kAdUncover); }

bool KestrumApp::IsAdvertisingVisible() const { return adViewer && adViewer->IsVisible(); }

void KestrumApp::OnStylusUp(int x, int y) {
    Application::OnStylusUp(x, y);
    if (adStrip) adStrip->OnStylusUp();
}

void KestrumApp::OnNotify(const NotifyHeader& header) {
    Application::OnNotify(header);
    if (!adStrip || header.code != htmlview::kHotspotNotify) return;
    // The viewer sends the header at the start of its link record.
    const char* link = reinterpret_cast<const htmlview::LinkNotify&>(header).link;
    if (link) adStrip->OnLinkTapped(U16(link));
}

void KestrumApp::OnTimer(std::uintptr_t id) {
    if (id == AdStrip::kTimerId) {
        if (adStrip) adStrip->OnTimer();
        return;
    }
    Application::OnTimer(id);
}

// --- Hand-over from a second start ------------------------------------------------------------

void KestrumApp::OnAlreadyRunning(WindowRef& running) {
    int32_t id = 0;
    if (::text::ParseInt(pendingAppId, id)) running.Send(kHandOverMessage, static_cast<WPARAM>(static_cast<uint32_t>(id)), 0);
}

LRESULT KestrumApp::WindowProc(Window* w, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == kAdvertisingMessage) {
        std::lock_guard lock(uiLock);
        CarryOutAdvertising(wParam);
        return 0;
    }
    if (message == kHandOverMessage) {
        std::lock_guard lock(uiLock);
        const auto id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
        if (mainMenuScene)
            OpenDetails(id);
        else
            pendingAppId = ::text::ToU16(id);
    }
    return Application::WindowProc(w, message, wParam, lParam);
}

// --- Popup boxes -----------------------------------------------------------------------------

PopupBox& KestrumApp::GetPopupBox() {
    if (!popupBox) popupBox = std::make_unique<PopupBox>(*this);
    return *popupBox;
}

void KestrumApp::ShowError(int32_t code) {
    std::lock_guard lock(uiLock);
    SetInputEnabled(true);
    AskPopup(textid::kErrorTitle, Localization::Instance().Text(code), textid::kOk, 0, nullptr);
}

void KestrumApp::AskPopup(int32_t title, const std::u16string& text, int32_t button1, int32_t button2,
                          std::function<void(int)> answer) {
    std::lock_guard lock(uiLock);
    auto& l10n = Localization::Instance();
    auto result = GetPopupBox().Show(l10n.Text(title), text, l10n.Text(button1),
                                     button2 ? l10n.Text(button2) : std::u16string());
    if (result && answer)
        SubscribeFn(*result, [answer](PopupBox::PopupBoxResult r) { answer(static_cast<int>(r)); });
}
