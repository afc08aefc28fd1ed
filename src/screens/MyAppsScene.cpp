#include "screens/MyAppsScene.h"

#include <mutex>

#include "apps/AppManager.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/NetServices.h"
#include "screens/AppActions.h"
#include "screens/AppDetailsScene.h"
#include "screens/AppRowBuilder.h"
#include "screens/CaptionFit.h"
#include "screens/ScreenParts.h"
#include "ui/layouts/AppListItemLayout.h"
#include "ui/layouts/ControlBarLayout.h"
#include "ui/layouts/ListLayout.h"
#include "ui/layouts/SectionHeaderLayout.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"

namespace {

constexpr int32_t kTitle = 5004;
constexpr int32_t kUninstallFailed = 11008;
constexpr int32_t kTryAgain = 11018;
constexpr int32_t kUpdateAll = 11020;
constexpr uint32_t kHeaderText = 0x505050;

using TouchDelegate = Delegate_2<shared_ptr<GObject>&, const Touch&>;
using ProgressBar = TLabel<TImage<TRectDrawer<GObject>>>;

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

MyAppFacts FactsOf(const App& app, double progress, MyAppFailure failure) {
    AppManager& manager = AppManager::Instance();
    MyAppFacts f;
    f.downloading = app.IsDownloading();
    f.waitingForLink = app.IsWaitingForLink();
    f.installing = app.IsInstalling();
    f.uninstalling = app.IsUninstalling();
    f.inCatalog = app.inCatalog;
    f.installed = manager.IsInstalled(app.sysid);
    f.failure = failure;
    f.installedRevision = manager.GetRevision(app.sysid);
    f.catalogRevision = manager.SignedRevision(app);
    f.hasInstallText = !app.install.empty();
    f.executableFound = !manager.FindExecutable(app.sysid, app.exe).empty();
    f.progress = progress;
    return f;
}

// Opens the catalog page of the row's application.
class MyAppDetails_Touch : public TouchDelegate {
public:
    MyAppDetails_Touch(SceneHost* host, shared_ptr<App> app) : host(host), app(std::move(app)) {}
    void Invoke(shared_ptr<GObject>&, const Touch& touch) override {
        if (touch.type != Touch::Click) return;
        host->PushScene(shared_ptr<Scene>(new AppDetailsScene(host, app->name, Str(kTitle), app->id)));
    }

private:
    SceneHost* host;
    shared_ptr<App> app;
};

// Asks, then removes the application; the list goes back to its top first.
class MyAppUninstall_Touch : public TouchDelegate {
public:
    MyAppUninstall_Touch(shared_ptr<App> app, GObject* list) : app(std::move(app)), list(list) {}
    void Invoke(shared_ptr<GObject>&, const Touch& touch) override {
        if (touch.type != Touch::Click) return;
        const std::u16string message =
            appactions::ConfirmationText(appactions::kUninstallTemplate, app->name, app->id);
        appactions::Confirm(message, [target = app, top = shared_ptr<GObject>(list)] {
            top->SetPosition(0, 0);
            target->Uninstall();
        });
    }

private:
    shared_ptr<App> app;
    // Not owned: the list holds the row that holds this handler.
    GObject* list;
};

// Asks (with the package size), then fetches and installs the catalog's
// revision over the installed one.
class MyAppUpdate_Touch : public TouchDelegate {
public:
    MyAppUpdate_Touch(shared_ptr<App> app, GObject* list) : app(std::move(app)), list(list) {}
    void Invoke(shared_ptr<GObject>&, const Touch& touch) override {
        if (touch.type != Touch::Click) return;
        const std::u16string message = appactions::ConfirmationText(appactions::UpdateTemplate(app->sysid),
                                                                     app->name + u" " + app->version, app->id);
        appactions::Confirm(message, [target = app, top = shared_ptr<GObject>(list)] {
            top->SetPosition(0, 0);
            AppManager::Instance().StartUpdate(target.get());
        });
    }

private:
    shared_ptr<App> app;
    // Not owned: the list holds the row that holds this handler.
    GObject* list;
};

// Fetches the package of a first installation that failed once more; it
// installs as the first try would have, and goes on from what arrived.
class MyAppRetry_Touch : public TouchDelegate {
public:
    explicit MyAppRetry_Touch(shared_ptr<App> app) : app(std::move(app)) {}
    void Invoke(shared_ptr<GObject>&, const Touch& touch) override {
        if (touch.type != Touch::Click) return;
        AppManager::Instance().AddDownload(app);
    }

private:
    shared_ptr<App> app;
};

// Calls off the row's download; the row follows the report that ends it.
class MyAppCancel_Touch : public TouchDelegate {
public:
    explicit MyAppCancel_Touch(shared_ptr<App> app) : app(std::move(app)) {}
    void Invoke(shared_ptr<GObject>&, const Touch& touch) override {
        if (touch.type != Touch::Click) return;
        AppManager::Instance().CancelDownload(app.get());
    }

private:
    shared_ptr<App> app;
};

// Asks once, with the total size, then starts every update the screen offers.
class MyAppUpdateAll_Touch : public TouchDelegate {
public:
    MyAppUpdateAll_Touch(const MyAppsScene* scene, GObject* list) : scene(scene), list(list) {}
    void Invoke(shared_ptr<GObject>&, const Touch& touch) override {
        if (touch.type != Touch::Click) return;
        std::vector<shared_ptr<App>> apps = scene->Updatable();
        if (apps.empty()) return;
        appactions::Confirm(appactions::UpdateAllText(apps), [apps, top = shared_ptr<GObject>(list)] {
            top->SetPosition(0, 0);
            // A row that got busy while the question was open (its own
            // update, an uninstall) is left to what it is doing.
            for (const auto& app : apps)
                if (!app->IsDownloading() && !app->IsInstalling() && !app->IsUninstalling())
                    AppManager::Instance().StartUpdate(app.get());
        });
    }

private:
    // Not owned: the scene owns the list that holds the header holding this.
    const MyAppsScene* scene;
    GObject* list;
};

shared_ptr<GObject> NewHeader(int32_t text) {
    const int f = ScreenParts::FontUnit();
    shared_ptr<widgets::BarLabel> header(new widgets::BarLabel());
    header->SetText(Str(text));
    header->SetFont(FontManager::Instance().GetFont(600, f));
    header->SetColor(kHeaderText);
    header->SetAlign(widgets::Label::Left, widgets::Label::Middle);
    header->SetInsets(f / 2, 0, f / 2, 0);
    header->SetFillColor(232, 236, 244);
    return header;
}

}  // namespace

// --- Delegates ------------------------------------------------------------------

bool MyApp_AppInfo::Equals(const Delegate_5<App*, App::AppStatusType, bool, double, bool>& other) const {
    auto* o = dynamic_cast<const MyApp_AppInfo*>(&other);
    return o && o->row == row;
}

void MyApp_AppInfo::Invoke(App*, App::AppStatusType kind, bool finished, double progress, bool success) {
    scene->OnAppStatus(row, kind, finished, progress, success);
}

void MyApp_Destroy::Invoke() { app->StatusChanged.Remove(MyApp_AppInfo(row, nullptr)); }

// --- Scene ------------------------------------------------------------------------

MyAppsScene::~MyAppsScene() {
    // The rows may outlive the screen for a moment (the scene container lets
    // go of the root later): nothing may report to it after this.
    std::lock_guard ui(net::UILock());
    for (Row& row : rows) Unsubscribe(row);
}

void MyAppsScene::Unsubscribe(Row& row) { row.app->StatusChanged.Remove(MyApp_AppInfo(row.widget.get(), nullptr)); }

void MyAppsScene::Build(const shared_ptr<GObject>& root) {
    for (Row& row : rows) Unsubscribe(row);
    rows.clear();
    list = ScreenParts::AddList(*root, 6 * ScreenParts::FontUnit());
    ScreenParts::AddHeader(*root, host, Str(kTitle), backText.empty() ? Str(textid::kMainMenu) : backText);
    AppManager& manager = AppManager::Instance();
    // Copies: a report fired while the rows are built may change the maps.
    std::vector<shared_ptr<App>> apps;
    for (const auto& [sysid, app] : manager.Downloading()) apps.push_back(app);
    for (const auto& [sysid, app] : manager.Installed()) apps.push_back(app);
    for (const auto& app : apps) AddRow(app);
    Regroup();
    // A job's own report comes before the manager has recorded its result
    // (the installed revision, the program's shortcut); the manager's
    // repaint comes after, so the rows are judged again then, or a package
    // just installed would be offered an update to itself.
    managerChanges = ScopedSubscription::ToFn(nullptr, manager.RepaintNeeded, [this] { RefreshAll(); });
}

void MyAppsScene::RefreshAll() {
    for (Row& row : rows) RefreshRow(row);
    Regroup();
}

void MyAppsScene::AddRow(const shared_ptr<App>& app) {
    Row row;
    row.app = app;
    // Waiting in the downloads with no job running: its download failed.
    AppManager& manager = AppManager::Instance();
    const auto waiting = manager.Downloading().find(app->sysid);
    if (waiting != manager.Downloading().end() && waiting->second == app && !app->IsDownloading() &&
        !app->IsInstalling())
        row.failure = MyAppFailure::Download;
    row.widget = AppRowBuilder::Build(*list, *app, true);
    FillControls(row);
    GObject* widget = row.widget.get();
    app->StatusChanged.Add(shared_ptr<Delegate_5<App*, App::AppStatusType, bool, double, bool>>(
        new MyApp_AppInfo(widget, this)));
    row.widget->Destroyed()->Add(shared_ptr<Delegate_0>(new MyApp_Destroy(widget, app)));
    if (app->inCatalog && AppManager::Instance().Installed().count(app->sysid)) AddDetailsTap(row);
    rows.push_back(std::move(row));
}

void MyAppsScene::AddDetailsTap(Row& row) {
    // Once per row: a second handler would open the page twice.
    if (row.detailsTap) return;
    row.detailsTap = true;
    row.widget->Touched()->Add(shared_ptr<TouchDelegate>(new MyAppDetails_Touch(host, row.app)));
}

void MyAppsScene::FillControls(Row& row) {
    const int f = ScreenParts::FontUnit();
    shared_ptr<GObject> bar;
    if (!row.widget->FindChildById(kControlBarId, bar)) return;
    bar->RemoveAllChildren();
    bar->SetLayout(shared_ptr<Layout>(new ControlBarLayout()));
    auto run = SkinFactory::CreateButton(*bar, Str(11000), f, RunButton);
    run->Touched()->Add(shared_ptr<TouchDelegate>(new MyAppRun_Touch(row.app)));
    auto update = SkinFactory::CreateButton(*bar, Str(11001), f, UpdateButton);
    update->Touched()->Add(shared_ptr<TouchDelegate>(new MyAppUpdate_Touch(row.app, list.get())));
    auto uninstall = SkinFactory::CreateButton(*bar, Str(11002), f, UninstallButton);
    uninstall->Touched()->Add(shared_ptr<TouchDelegate>(new MyAppUninstall_Touch(row.app, list.get())));
    auto retry = SkinFactory::CreateButton(*bar, Str(kTryAgain), f, RetryButton);
    retry->Touched()->Add(shared_ptr<TouchDelegate>(new MyAppRetry_Touch(row.app)));
    auto cancel = SkinFactory::CreateButton(*bar, Str(textid::kCancel), f, CancelButton);
    cancel->Touched()->Add(shared_ptr<TouchDelegate>(new MyAppCancel_Touch(row.app)));
    // A third of a 176-pixel row is narrow for "Uninstall": the caption takes
    // a smaller plain font before it is cut.
    for (widgets::Button* button : {run.get(), update.get(), uninstall.get(), retry.get(), cancel.get()})
        captionfit::Keep(*button, FontManager::Instance().GetFont(400, f * 4 / 5), captionfit::Lines::One);
    shared_ptr<ProgressBar> progress(new ProgressBar());
    progress->SetFillColor(214, 222, 234);
    progress->AddImageState(0, SkinFactory::SkinImage(u"progress.png"));
    progress->SetStretch(true);
    progress->SetImageState(0);
    progress->SetFont(FontManager::Instance().GetFont(600, f));
    progress->SetColor(0x202020);
    progress->SetAlign(widgets::Label::Centre, widgets::Label::Middle);
    bar->AddChild(progress, Progress);
    RefreshRow(row);
}

void MyAppsScene::RefreshRow(Row& row) {
    row.state = MyAppRowState::From(FactsOf(*row.app, row.progress, row.failure));
    shared_ptr<GObject> bar, child;
    if (!row.widget->FindChildById(kControlBarId, bar)) return;
    const MyAppRowState& s = row.state;
    if (bar->FindChildById(RunButton, child)) child->SetVisible(s.showRun);
    if (bar->FindChildById(UpdateButton, child)) child->SetVisible(s.showUpdate);
    if (bar->FindChildById(UninstallButton, child)) child->SetVisible(s.showUninstall);
    if (bar->FindChildById(RetryButton, child)) child->SetVisible(s.showRetry);
    if (bar->FindChildById(CancelButton, child)) child->SetVisible(s.showCancel);
    if (bar->FindChildById(Progress, child)) {
        child->SetVisible(s.showProgress);
        auto* progress = static_cast<ProgressBar*>(child.get());
        progress->SetText(s.caption ? Str(s.caption) : std::u16string());
        progress->SetFill(s.progressValue);
    }
    if (const shared_ptr<Layout>& layout = bar->GetLayout()) layout->Apply(bar.get(), 0);
}

void MyAppsScene::Regroup() {
    std::vector<MyAppGroup> groups;
    std::vector<size_t> shown;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].gone) continue;
        shown.push_back(i);
        groups.push_back(rows[i].state.group);
    }
    const std::vector<MyAppListEntry> entries = GroupMyApps(groups);
    std::set<int> headers;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].header) headers.insert(static_cast<int>(i));
    // The rows stay alive in `rows` while they are out of the list.
    list->RemoveAllChildren();
    list->SetLayout(shared_ptr<Layout>(new ListLayout(6 * ScreenParts::FontUnit(), headers)));
    const shared_ptr<Layout>& layout = list->GetLayout();
    layout->Lock();
    for (const MyAppListEntry& entry : entries) {
        if (entry.header)
            list->AddChild(NewSectionHeader(entry.group), static_cast<int32_t>(entry.group));
        else
            list->AddChild(rows[shown[entry.row]].widget, -1);
    }
    layout->Unlock();
}

std::vector<shared_ptr<App>> MyAppsScene::Updatable() const {
    std::vector<shared_ptr<App>> apps;
    for (const Row& row : rows)
        if (!row.gone && row.state.showUpdate) apps.push_back(row.app);
    return apps;
}

shared_ptr<GObject> MyAppsScene::NewSectionHeader(MyAppGroup group) {
    shared_ptr<GObject> header = NewHeader(MyAppRowState::HeaderString(group));
    if (group != MyAppGroup::Catalog || Updatable().size() < kUpdateAllFrom) return header;
    auto button = SkinFactory::CreateButton(*header, Str(kUpdateAll), ScreenParts::FontUnit(), kUpdateAllId);
    button->Touched()->Add(shared_ptr<TouchDelegate>(new MyAppUpdateAll_Touch(this, list.get())));
    header->SetLayout(shared_ptr<Layout>(new SectionHeaderLayout()));
    return header;
}

void MyAppsScene::DropRow(Row& row) {
    row.gone = true;
    Regroup();
}

MyAppsScene::Row* MyAppsScene::FindRow(const GObject* widget) {
    for (Row& row : rows)
        if (row.widget.get() == widget) return &row;
    return nullptr;
}

void MyAppsScene::OnAppStatus(GObject* widget, App::AppStatusType kind, bool finished, double progress,
                              bool success) {
    Row* row = FindRow(widget);
    if (!row || row->gone) return;
    if (kind == App::StatusDetails && finished && success) {
        // The record now has its catalog data: show it as a catalog row.
        row->widget->RemoveAllChildren();
        AppRowBuilder::Fill(*row->widget, *row->app, true);
        FillControls(*row);
        AddDetailsTap(*row);
        Regroup();
        return;
    }
    if (finished && !success && kind == App::StatusUninstall)
        net::Services().AskPopup(textid::kErrorTitle, Str(kUninstallFailed), textid::kOk, 0, nullptr);
    // A failed download or install is told by the application manager,
    // wherever the user is. A first installation called off has no row to
    // go back to: it was not on the device before.
    const bool calledOff = kind == App::StatusDownload && row->app->downloadFault == App::DownloadFault::Cancelled;
    if (finished && !success && calledOff && !AppManager::Instance().IsInstalled(row->app->sysid)) {
        DropRow(*row);
        return;
    }
    row->progress = kind == App::StatusDownload ? progress : 0.0;
    if (kind == App::StatusDownload || kind == App::StatusInstall) {
        // A new try starts afresh; a failed one leaves what went wrong.
        const MyAppFailure failed = kind == App::StatusDownload ? MyAppFailure::Download : MyAppFailure::Install;
        row->failure = finished && !success ? failed : MyAppFailure::None;
    }
    // A row made while its first installation ran had no page to open yet.
    if (kind == App::StatusInstall && finished && success && row->app->inCatalog) AddDetailsTap(*row);
    RefreshRow(*row);
    if (MyAppRowState::Regroups(kind, progress)) Regroup();
}
