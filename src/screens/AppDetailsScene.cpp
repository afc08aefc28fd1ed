#include "screens/AppDetailsScene.h"

#include "apps/AppManager.h"
#include "base/Text.h"
#include "platform/text/DeviceContext.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "screens/AppActions.h"
#include "screens/AppRowBuilder.h"
#include "screens/AppsScene.h"
#include "screens/FormAnswer.h"
#include "screens/MakeReviewScene.h"
#include "screens/ReviewsScene.h"
#include "screens/ScreenLinks.h"
#include "screens/CaptionFit.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenText.h"
#include "screens/ScreenshotsScene.h"
#include "ui/layouts/AppDetailLayout.h"
#include "ui/layouts/ListLayout.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"
#include "ui/widgets/StarRating.h"
#include "ui/widgets/TRemoteImage.h"

namespace {

using L = AppDetailLayout;

constexpr uint32_t kText = 0x202020;
constexpr uint32_t kGrey = 0x787878;
constexpr uint32_t kLink = 0xAA0000;         // blue, as a GDI colour
constexpr uint32_t kLinkPressed = 0x0000AD;  // red while pressed
constexpr int kBold = 600;

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

shared_ptr<widgets::Label> Caption(int32_t text, uint32_t vertical = widgets::Label::Middle) {
    const int f = ScreenParts::FontUnit();
    auto label = ScreenParts::NewLabel(Str(text), kBold, f * 5 / 4, kText, widgets::Label::Left);
    label->SetAlign(widgets::Label::Left, vertical);
    return label;
}

int TextWidth(const widgets::Label& label) {
    platform::text::DeviceContext dc;
    dc.SelectFont(label.GetFont());
    return dc.GetTextExtent(label.GetText()).width;
}

shared_ptr<widgets::Link> NewLink(const std::u16string& text) {
    shared_ptr<widgets::Link> link(new widgets::Link());
    link->SetText(text);
    link->SetFont(FontManager::Instance().GetFont(kBold, ScreenParts::FontUnit()));
    link->SetAlign(widgets::Link::Left, widgets::Link::Middle);
    link->SetHotColors(kLink, kLinkPressed);
    return link;
}

}  // namespace

AppDetailsScene::AppDetailsScene(SceneHost* h, std::u16string t, std::u16string back, int32_t id)
    : Scene(h), title(std::move(t)), backText(std::move(back)), appId(id) {}

AppDetailsScene::~AppDetailsScene() { request.Drop(); }

void AppDetailsScene::Build(const shared_ptr<GObject>& root) {
    taps.clear();
    page = ScreenParts::AddList(*root, 1);
    page->SetLayout(shared_ptr<Layout>(new AppDetailLayout(0, ScreenParts::FontUnit() * 3 / 2)));
    ScreenParts::AddHeader(*root, host, title, backText);
    host->SetInputEnabled(false);
    request.Start(api::AppDetails(ApiContext::Current(), appId),
                  [this](HttpRequest* r, bool ok) { OnDetailsDone(r, ok); });
}

void AppDetailsScene::OnShown() {
    if (app && !request.Pending() && CurrentInstallState() != shownState) Refresh();
}

AppDetailsScene::InstallState AppDetailsScene::CurrentInstallState() const {
    AppManager& manager = AppManager::Instance();
    InstallState state;
    state.installed = manager.IsInstalled(app->sysid);
    if (state.installed) state.revision = manager.GetRevision(app->sysid);
    return state;
}

void AppDetailsScene::OnDetailsDone(HttpRequest* answerRequest, bool ok) {
    host->SetInputEnabled(true);
    shared_ptr<App> fresh(new App());
    AppDetailsRecord record;
    XMLResponse_AppDetails answer(fresh.get(), &record);
    if (!formanswer::Accepted(answerRequest, ok, answer)) return;
    app = fresh;
    details = std::move(record);
    Fill();
}

void AppDetailsScene::Fill() {
    const int f = ScreenParts::FontUnit();
    const int starsHeight = f * 3 / 2;
    // Captions first: the layout sizes the head by how wide they are.
    auto publisher = Caption(8000), version = Caption(8008);
    page->AddChild(publisher, L::PublisherCaption);
    page->AddChild(version, L::VersionCaption);
    const int captions = std::max(TextWidth(*publisher), TextWidth(*version));
    page->SetLayout(shared_ptr<Layout>(
        new AppDetailLayout(app->rates >= 1 ? 5 * starsHeight : 0, starsHeight, captions + f / 4)));
    const shared_ptr<Layout>& layout = page->GetLayout();
    layout->Lock();
    AddHead(*page);
    AddActions(*page);
    AddRating(*page);
    AddLinks(*page);
    AddTags(*page);
    layout->Unlock();
}

void AppDetailsScene::OnTapped(GObject& object, std::function<void()> action) {
    taps.push_back(ScopedSubscription::ToFn(object.Touched(), [action](shared_ptr<GObject>&, const Touch& touch) {
        if (touch.type == Touch::Click) action();
    }));
}

void AppDetailsScene::AddHead(GObject& p) {
    const int f = ScreenParts::FontUnit();
    shared_ptr<widgets::RemoteImage> icon(new widgets::RemoteImage());
    if (app->icon.empty())
        icon->AddImageState(0, SkinFactory::SkinImage(u"deficon.png"));
    else
        icon->SetUrl(app->icon);
    icon->SetStretch(true);
    icon->SetImageState(0);
    p.AddChild(icon, L::Icon);

    auto publisher = NewLink(app->company);
    publisher->SetFont(FontManager::Instance().GetFont(400, f));
    p.AddChild(publisher, L::Publisher);
    SceneHost* h = host;
    const std::u16string company = app->company, name = app->name;
    OnTapped(*publisher, [h, company, name] {
        h->PushScene(shared_ptr<Scene>(
            new AppsScene(h, company, name, nullptr, company, u"com", u"", -1, -1, u"", false, false)));
    });

    p.AddChild(ScreenParts::NewLabel(app->version, 400, f, kText, widgets::Label::Left), L::Version);
    p.AddChild(Caption(8001, widgets::Label::Top), L::DescriptionCaption);
    auto description = ScreenParts::NewLabel(screentext::FromWire(details.desc), 400, f, kText, widgets::Label::Left);
    description->SetAlign(widgets::Label::Left, widgets::Label::Top);
    description->SetWordWrap(true);
    p.AddChild(description, L::Description);
}

shared_ptr<GObject> AppDetailsScene::AddAction(GObject& p, int32_t id, int32_t text) {
    auto link = NewLink(Str(text));
    p.AddChild(link, id);
    // The column under the icon is narrow: a word too wide for it
    // ("Uninstall") takes a smaller plain font before it is cut.
    captionfit::Keep(*link, FontManager::Instance().GetFont(400, ScreenParts::FontUnit() * 4 / 5),
                     captionfit::Lines::One);
    return link;
}

void AppDetailsScene::AddActions(GObject& p) {
    AppManager& manager = AppManager::Instance();
    shownState = CurrentInstallState();
    if (!manager.IsInstalled(app->sysid)) {
        if (!app->install.empty()) OnTapped(*AddAction(p, L::FirstButton, 8007), [this] { ConfirmInstall(); });
        return;
    }
    if (!manager.FindExecutable(app->sysid, app->exe).empty())
        AddAction(p, L::FirstButton, 11000)
            ->Touched()
            ->Add(shared_ptr<Delegate_2<shared_ptr<GObject>&, const Touch&>>(new AppDetailsRun_Touch(app)));
    OnTapped(*AddAction(p, L::SecondButton, 11002), [this] { ConfirmUninstall(); });
    if (manager.GetRevision(app->sysid) < manager.SignedRevision(*app))
        OnTapped(*AddAction(p, L::ThirdButton, 11001), [this] { ConfirmUpdate(); });
}

void AppDetailsScene::AddRating(GObject& p) {
    const int f = ScreenParts::FontUnit();
    p.AddChild(Caption(8003), L::RatingCaption);
    if (app->rates >= 1) p.AddChild(shared_ptr<GObject>(new StarRating(AppRowBuilder::HalfStars(app->rate))), L::Stars);
    p.AddChild(ScreenParts::NewLabel(AppRowBuilder::VotesText(app->rates), 400, f, kGrey, widgets::Label::Left),
               L::VoteCount);
}

void AppDetailsScene::AddLinks(GObject& p) {
    SceneHost* h = host;
    const std::u16string name = app->name;
    const int32_t id = appId;
    // A copy of the addresses: the pictures page then never depends on this
    // page staying alive.
    const std::vector<std::u16string> pictures = details.pictures;
    auto shots = NewLink(screentext::WithCount(Str(8004), static_cast<int64_t>(pictures.size())));
    p.AddChild(shots, L::ScreenshotsLink);
    OnTapped(*shots, [h, name, pictures] { h->PushScene(shared_ptr<Scene>(new ScreenshotsScene(h, name, pictures))); });
    auto reviews = NewLink(screentext::WithCount(Str(8005), app->reviews));
    p.AddChild(reviews, L::ReviewsLink);
    OnTapped(*reviews, [h, name, id] { h->PushScene(shared_ptr<Scene>(new ReviewsScene(h, name, id))); });
    auto write = NewLink(Str(8006));
    p.AddChild(write, L::WriteReviewLink);
    OnTapped(*write, [h, name, id] { h->PushScene(shared_ptr<Scene>(new MakeReviewScene(h, name, id))); });
}

void AppDetailsScene::AddTags(GObject& p) {
    if (details.tags.empty()) return;
    p.AddChild(Caption(8002), L::ListCaption);
    shared_ptr<GObject> list(new GObject());
    list->SetLayout(shared_ptr<Layout>(new ListLayout(3 * ScreenParts::FontUnit())));
    SceneHost* h = host;
    const std::u16string name = app->name;
    for (const std::u16string& tag : details.tags) {
        auto row = ScreenParts::AddTreeRow(*list, tag, u"", u"more_arrow.png");
        OnTapped(*row, [h, name, tag] {
            h->PushScene(shared_ptr<Scene>(new AppsScene(h, tag, name, nullptr, u"", u"", tag, -1, -1, u"", false, false)));
        });
    }
    p.AddChild(list, L::List);
}

void AppDetailsScene::ConfirmInstall() {
    shared_ptr<App> target = app;
    SceneHost* h = host;
    const std::u16string back = app->name;
    appactions::Confirm(appactions::ConfirmationText(appactions::kInstallTemplate, app->name, app->id), [h, target, back] {
        AppManager::Instance().AddDownload(target);
        screenlinks::OpenMyApps(h, back);
    });
}

void AppDetailsScene::ConfirmUninstall() {
    const std::u16string sysid = app->sysid;
    SceneHost* h = host;
    const std::u16string back = app->name;
    appactions::Confirm(appactions::ConfirmationText(appactions::kUninstallTemplate, app->name, app->id), [h, sysid, back] {
        if (shared_ptr<App> record = appactions::InstalledRecord(sysid)) record->Uninstall();
        screenlinks::OpenMyApps(h, back);
    });
}

void AppDetailsScene::ConfirmUpdate() {
    const std::u16string sysid = app->sysid;
    SceneHost* h = host;
    const std::u16string message = appactions::ConfirmationText(appactions::UpdateTemplate(sysid),
                                                                 app->name + u" " + app->version, app->id);
    const std::u16string back = app->name;
    appactions::Confirm(message, [h, sysid, back] {
        if (shared_ptr<App> record = appactions::InstalledRecord(sysid)) AppManager::Instance().StartUpdate(record.get());
        screenlinks::OpenMyApps(h, back);
    });
}
