#include "apps/AppManager.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "apps/PackageNames.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "net/PartialDownload.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"

using platform::Hive;

namespace {

// Keys below \Security\AppInstall that are no packages.
bool IsPackageKey(const std::u16string& name) {
    return name != u"ExtensionOptions" && name != u"TSKAllowed" && name.size() <= 255;
}

// A Start menu deeper than this is no Start menu but a loop or a trap.
constexpr int kMaxStartMenuDepth = 16;

std::u16string ExeNameInShortcut(const std::u16string& content) {
    auto exe = content.find(u".exe");
    if (exe == std::u16string::npos) return {};
    for (std::size_t i = exe; i-- > 0;)
        if (content[i] == u'#' || content[i] == u'\\') return content.substr(i + 1, exe + 4 - (i + 1));
    return {};
}

}  // namespace

AppManager::AppManager() {
    // The managers the jobs use are made first, so that they are destroyed
    // after this one: a job that ends during exit still finds them.
    InetManager::Instance();
    Kestrum::Instance();
    Localization::Instance();
    Start();
    idleProbe = std::make_unique<platform::ScopedIdleProbe>([this] { return NothingQueuedOrRunning(); });
}

AppManager::~AppManager() {
    idleProbe.reset();
    // The request queue outlives the manager: the requests whose handlers
    // would reach it are stopped first.
    StopJobs();
    // Workers finish their job first: they still use the manager. No bound:
    // an installer may be waiting for its user's answer, and a worker left
    // behind would reach a manager that is gone.
    WaitIdle(std::chrono::milliseconds::max());
    {
        // The records' counts are shared with the workers that still run.
        std::lock_guard ui(net::UILock());
        installed.clear();
        downloading.clear();
        selfUpdateApp = nullptr;
        selfUpdateKeep = nullptr;
    }
    if (cabFolder.empty() || !platform::HasCurrentDevice()) return;
    // Downloaded packages do not outlive the run; interrupted downloads do,
    // so that the next run goes on where this one stopped.
    std::vector<platform::FileEntry> entries;
    bool keep = false;
    if (platform::ListFolder(cabFolder, entries)) {
        for (const auto& e : entries) {
            if (!e.folder && net::IsPartialDownloadName(std::filesystem::path(text::Utf16ToUtf8(e.name)))) keep = true;
            else platform::DeleteTree(cabFolder + u"\\" + e.name);
        }
    }
    if (!keep) platform::ShellDeleteTree(cabFolder);
}

void AppManager::Start() {
    cabFolder = ProgramFolder() + u"cabs";
    trustedKeys.reset();
    if (platform::HasCurrentDevice()) {
        platform::CreateFolders(cabFolder);
        ScanStartMenu();
        LoadInstalled();
    }
    offerSelfUpdate = true;
}

void AppManager::Reset() {
    WaitIdle(std::chrono::milliseconds::max());
    std::lock_guard ui(net::UILock());
    installed.clear();
    downloading.clear();
    shortcutExes.clear();
    updateCount = 0;
    revisionBeforeUninstall = 0;
    selfUpdateApp = nullptr;
    selfUpdateKeep = nullptr;
    resumeWanted.clear();
    resumeChecked = false;
    // Handlers of the previous run may point at objects that are gone.
    InstalledChanged.delegates.clear();
    UpdatesChanged.delegates.clear();
    RepaintNeeded.delegates.clear();
    ShowMyApplications.delegates.clear();
    Start();
}

std::u16string AppManager::ProgramFolder() {
    std::u16string settings = Kestrum::kSettingsDevicePath;
    return settings.substr(0, settings.rfind(u'\\') + 1);
}

bool AppManager::IsInstalled(const std::u16string& sysid) { return apps::IsInstalled(sysid); }

int32_t AppManager::GetRevision(const std::u16string& sysid) {
    std::u16string path;
    if (sysid == kSelfSysid)
        path = kSelfKey;
    else if (apps::IsSafeSysid(sysid))
        path = kAppInstallKey + sysid;
    else
        return 0;
    auto key = platform::OpenRegistryKey(Hive::LocalMachine, path);
    uint32_t revision = 0;
    if (!key || !key->ReadDword(kRevisionValue, revision)) return 0;
    // No revision is above the highest signed one: a larger value is no
    // record of ours, and must not read as a negative number either.
    return revision > formats::kMaxRevision ? 0 : static_cast<int32_t>(revision);
}

const apps::TrustedKeys& AppManager::TrustedKeys() {
    if (!trustedKeys) trustedKeys = platform::HasCurrentDevice() ? apps::ReadTrustedKeys() : apps::TrustedKeys();
    return *trustedKeys;
}

int32_t AppManager::SignedRevision(const App& app) {
    return apps::HasTrustedStatement(app, TrustedKeys()) ? app.revision : 0;
}

std::u16string AppManager::FindExecutable(const std::u16string& sysid, const std::u16string& exeHint) {
    if (!apps::IsSafeSysid(sysid)) return {};
    auto key = platform::OpenRegistryKey(Hive::LocalMachine, kAppInstallKey + sysid + u"\\ExecutableFiles");
    if (!key) return {};
    std::u16string name;
    for (uint32_t i = 0; key->EnumValue(i, name); ++i) {
        if (name.size() > 255) continue;
        if (!exeHint.empty()) {
            if (name.find(exeHint) != std::u16string::npos) return name;
        } else {
            for (const auto& exe : shortcutExes)
                if (name.find(exe) != std::u16string::npos) return name;
        }
    }
    return {};
}

void AppManager::ScanStartMenu() {
    auto programs = platform::GetSpecialFolderPath(platform::kFolderPrograms);
    if (programs) ScanFolder(*programs + u"\\", 0);
}

void AppManager::ScanFolder(const std::u16string& folder, int depth) {
    if (depth > kMaxStartMenuDepth) return;
    std::vector<platform::FileEntry> entries;
    if (!platform::ListFolder(folder, entries)) return;
    for (const auto& e : entries) {
        if (e.folder) {
            ScanFolder(folder + e.name + u"\\", depth + 1);
            continue;
        }
        std::string bytes;
        if (!platform::ReadFile(folder + e.name, bytes)) continue;
        std::u16string exe = ExeNameInShortcut(text::Utf8ToUtf16(bytes));
        if (!exe.empty()) shortcutExes.push_back(exe);
    }
}

void AppManager::LoadInstalled() {
    auto key = platform::OpenRegistryKey(Hive::LocalMachine, kAppInstallKey);
    if (!key) return;
    std::u16string name;
    for (uint32_t i = 0; key->EnumSubkey(i, name); ++i)
        if (IsPackageKey(name)) installed.emplace(name, make_shared_obj<App>(name));
}

void AppManager::AddInstalled(const std::u16string& sysid) {
    shared_ptr<App> app = make_shared_obj<App>(sysid);
    InstalledChanged.Invoke(app, true);
    installed.emplace(sysid, app);
    app->RequestDetails();
}

void AppManager::RemoveInstalled(const std::u16string& sysid) {
    auto it = installed.find(sysid);
    if (it == installed.end()) return;
    shared_ptr<App> app = it->second;  // alive while the handlers see it
    InstalledChanged.Invoke(app, false);
    installed.erase(sysid);
}

void AppManager::AddDownload(const shared_ptr<App>& app) {
    std::lock_guard ui(net::UILock());
    auto [entry, added] = downloading.emplace(app->sysid, app);
    // The package is on its way already (a download resumed at start, a
    // second tap): a second download would write into the same file.
    if (!added && entry->second->IsDownloading()) return;
    app->Download();
}

shared_ptr<InstallRequest> AppManager::QueueInstall(const std::u16string& cabPath, const std::u16string& sysid,
                                                    int32_t revision) {
    // The UI lock first, as everywhere: the job's worker takes it before it
    // touches the queue again, so it cannot end before its caller subscribed.
    std::lock_guard ui(net::UILock());
    shared_ptr<InstallRequest> job = make_shared_obj<InstallRequest>(cabPath, sysid, revision);
    std::lock_guard queue(installLock);
    installQueue.push_back(job);
    JobQueued();
    RunInstallQueueLocked();
    return job;
}

void AppManager::RunInstallQueueLocked() {
    if (installQueue.empty() || installQueue.front()->worker.joinable()) return;
    WorkerStarted();
    // The manager waits for every worker before it goes (~AppManager): the
    // job's worker may call it back.
    installQueue.front()->Start({[this](InstallRequest* job, bool ok) { InstallEnded(job, ok); },
                                 [this] { WorkerEnded(); }});
}

shared_ptr<UninstallRequest> AppManager::QueueUninstall(const std::u16string& sysid) {
    std::lock_guard ui(net::UILock());
    shared_ptr<UninstallRequest> job = make_shared_obj<UninstallRequest>(sysid);
    std::lock_guard queue(uninstallLock);
    uninstallQueue.push_back(job);
    JobQueued();
    RunUninstallQueueLocked();
    return job;
}

void AppManager::RunUninstallQueueLocked() {
    if (uninstallQueue.empty() || uninstallQueue.front()->worker.joinable()) return;
    // Before the removal can begin: afterwards the revision is gone.
    revisionBeforeUninstall = GetRevision(uninstallQueue.front()->sysid);
    WorkerStarted();
    uninstallQueue.front()->Start({[this](UninstallRequest* job, bool ok) { UninstallEnded(job, ok); },
                                   [this] { WorkerEnded(); }});
}

void AppManager::InstallEnded(InstallRequest* job, bool ok) {
    const std::u16string sysid = job->sysid;
    if (downloading.count(sysid)) {
        downloading.erase(sysid);
        if (ok) {
            AddInstalled(sysid);
            ScanStartMenu();
        }
    }
    if (ok) {
        if (auto key = platform::OpenRegistryKey(Hive::LocalMachine, kAppInstallKey + sysid))
            key->WriteDword(kRevisionValue, static_cast<uint32_t>(job->revision));
    }
    job->RestoreSelfRevision(ok);
    RepaintNeeded.Invoke();
    std::lock_guard queue(installLock);
    auto it = std::find_if(installQueue.begin(), installQueue.end(), [job](const auto& j) { return j.get() == job; });
    if (it != installQueue.end()) {
        installQueue.erase(it);
        JobLeftQueue();
    }
    RunInstallQueueLocked();
}

void AppManager::UninstallEnded(UninstallRequest* job, bool ok) {
    if (ok) {
        // An update that was cut short is of no use without the package.
        DropPartials(job->sysid);
        RemoveInstalled(job->sysid);
        RepaintNeeded.Invoke();
    }
    std::lock_guard queue(uninstallLock);
    auto it =
        std::find_if(uninstallQueue.begin(), uninstallQueue.end(), [job](const auto& j) { return j.get() == job; });
    if (it != uninstallQueue.end()) {
        uninstallQueue.erase(it);
        JobLeftQueue();
    }
    RunUninstallQueueLocked();
}

void AppManager::Launch(const std::u16string& sysid, const std::u16string& exeHint) {
    std::u16string path = FindExecutable(sysid, exeHint);
    if (!path.empty()) platform::ShellExecute(u"open", path);
}

void AppManager::CheckForUpdates() {
    std::lock_guard ui(net::UILock());
    ResumeInterrupted();
    // A copy: a details answer may change the map while the requests go out.
    std::vector<shared_ptr<App>> apps;
    for (const auto& [sysid, app] : installed) apps.push_back(app);
    const MemFnDelegat<AppManager, App*, App::AppStatusType, bool, double, bool> handler(this,
                                                                                       &AppManager::OnAppStatus);
    for (const auto& app : apps) {
        bool subscribed = false;
        for (const auto& d : app->StatusChanged.delegates) subscribed = subscribed || d->Equals(handler);
        if (!subscribed) Subscribe(app->StatusChanged, this, &AppManager::OnAppStatus);
        app->RequestDetails();
    }
}

void AppManager::StartUpdate(App* app) {
    std::lock_guard ui(net::UILock());
    if (app->IsDownloading()) return;
    app->Download();
    ChangeUpdateCount(-1);
}

void AppManager::ChangeUpdateCount(int32_t delta) {
    // Never below zero: starting one update twice must not show "-1 updates".
    int32_t next = std::max(0, updateCount + delta);
    if (next == updateCount) return;
    updateCount = next;
    UpdatesChanged.Invoke();
}

void AppManager::OnAppStatus(App* app, App::AppStatusType kind, bool finished, double, bool success) {
    if (!finished) return;
    if (kind == App::StatusDetails && resumeWanted.erase(app->sysid)) return ResumeAfterDetails(app, success);
    if (!success) return;
    if (kind == App::StatusDetails) CountUpdate(app);
    else if (kind == App::StatusUninstall) UncountUninstalledUpdate(app);
}

void AppManager::CountUpdate(App* app) {
    const int32_t installedRevision = GetRevision(app->sysid);
    if (SignedRevision(*app) <= installedRevision || installedRevision <= 0) return;
    ChangeUpdateCount(+1);
    // The store's own package by its exact install name, the one the install
    // job checks too: a foreign package that merely mentions the store must
    // not take the one offer, nor be installed as the store's update.
    if (app->sysid == kSelfSysid && offerSelfUpdate) OfferSelfUpdate(app);
}

void AppManager::UncountUninstalledUpdate(App* app) {
    if (SignedRevision(*app) > revisionBeforeUninstall && revisionBeforeUninstall > 0) ChangeUpdateCount(-1);
}

void AppManager::CancelDownload(App* app) {
    std::lock_guard ui(net::UILock());
    if (app->IsDownloading()) app->downloadRequest->Cancel();
}

int32_t AppManager::DownloadFailureMessage(const App& app) {
    switch (app.downloadFault) {
    case App::DownloadFault::Storage: return kNoRoom;
    // A package name the store refused to save would never have installed;
    // bytes that are not the published package are a damaged package.
    case App::DownloadFault::Refused: return kInstallFailed;
    case App::DownloadFault::Unverified: return kUnverified;
    case App::DownloadFault::Cancelled:
    case App::DownloadFault::Interrupted: return 0;
    case App::DownloadFault::Transfer: break;
    }
    return kNoAnswer;
}

void AppManager::DownloadEnded(App* app) {
    if (app->downloadFault == App::DownloadFault::Cancelled) {
        // A first installation the user called off is no longer one.
        auto it = downloading.find(app->sysid);
        if (it != downloading.end() && it->second.get() == app) downloading.erase(it);
        RepaintNeeded.Invoke();
        return;
    }
    if (const int32_t message = DownloadFailureMessage(*app)) net::Services().ShowError(message);
}

void AppManager::ResumeInterrupted() {
    if (resumeChecked || !platform::HasCurrentDevice()) return;
    resumeChecked = true;
    std::vector<shared_ptr<App>> joining;
    const auto folder = platform::HostPathOf(cabFolder);
    for (const net::HeldDownload& p : folder ? net::HeldDownloadsIn(*folder) : std::vector<net::HeldDownload>()) {
        const std::u16string owner = p.identity ? text::Utf8ToUtf16(p.identity->owner) : std::u16string();
        if (owner.empty() || !apps::IsSafeSysid(owner)) {
            net::RemovePartial(p.target);
            continue;
        }
        if (downloading.count(owner) || resumeWanted.count(owner)) continue;
        resumeWanted.insert(owner);
        auto installedIt = installed.find(owner);
        shared_ptr<App> app = installedIt != installed.end() ? installedIt->second : make_shared_obj<App>(owner);
        // A first installation shows among the running jobs at once; an
        // update goes on when its installed record has its details, which
        // the update check asks for anyway.
        if (installedIt == installed.end()) {
            downloading.emplace(owner, app);
            Subscribe(app->StatusChanged, this, &AppManager::OnAppStatus);
            joining.push_back(app);
        } else if (app->detailsRequest && !app->detailsRequest->Pending()) {
            // Its details are in already: no report of them is coming.
            resumeWanted.erase(owner);
            ResumeAfterDetails(app.get(), app->inCatalog);
        }
    }
    for (const auto& app : joining) app->RequestDetails();
}

void AppManager::ResumeAfterDetails(App* app, bool success) {
    const bool update = installed.count(app->sysid) && installed.at(app->sysid).get() == app;
    if (update) ResumeUpdate(app, success);
    else ResumeFirstInstall(app, success);
}

void AppManager::ResumeUpdate(App* app, bool success) {
    // Without an answer the bytes stay for the next run; an update the user
    // started meanwhile owns them and goes on with them.
    if (!success || app->IsDownloading()) return;
    if (SignedRevision(*app) > GetRevision(app->sysid)) {
        // Counted as any update, and taken off the count as it starts.
        ChangeUpdateCount(+1);
        StartUpdate(app);
    } else {
        DropPartials(app->sysid);
    }
}

void AppManager::ResumeFirstInstall(App* app, bool success) {
    if (success && app->inCatalog) {
        app->Download();
        return;
    }
    // Not in the catalog any more: nobody wants the bytes. Without an answer
    // at all they stay for the next run.
    const bool answered = app->detailsRequest && app->detailsRequest->Status() != 0;
    if (answered) DropPartials(app->sysid);
    auto it = downloading.find(app->sysid);
    if (it != downloading.end() && it->second.get() == app) downloading.erase(it);
    RepaintNeeded.Invoke();
}

void AppManager::DropPartials(const std::u16string& sysid, const std::u16string& except) {
    const auto folder = platform::HostPathOf(cabFolder);
    if (!folder) return;
    const auto kept = except.empty() ? std::nullopt : platform::HostPathOf(except);
    net::RemovePartialsOf(*folder, text::Utf16ToUtf8(sysid), kept.value_or(std::filesystem::path()));
}

void AppManager::OfferSelfUpdate(App* app) {
    offerSelfUpdate = false;
    selfUpdateApp = app;
    std::u16string message = Localization::Instance().Text(5006);
    auto pos = message.find(u"--ver--");
    if (pos != std::u16string::npos) message.replace(pos, 7, app->version);
    // The record stays alive while the question is open, even if the package
    // is removed meanwhile.
    selfUpdateKeep = app;
    net::Services().AskPopup(textid::kInfoTitle, message, textid::kYes, textid::kNo, [this](int answer) {
        std::lock_guard ui(net::UILock());
        if (answer == 0 && selfUpdateApp) {
            StartUpdate(selfUpdateApp);
            ShowMyApplications.Invoke();
        }
        selfUpdateApp = nullptr;
        selfUpdateKeep = nullptr;
    });
}

namespace {

// How long the manager waits at exit for its interrupted requests: a worker
// notices the interrupt at its next piece or poll of the line, well within
// this; one that does not is left to the request queue, detached.
constexpr std::chrono::seconds kStopWait{10};

// Nothing the request does from now on reaches its subscribers.
void Detach(HttpRequest& job) {
    job.Complete.delegates.clear();
    job.Progress.delegates.clear();
    job.LinkWait.delegates.clear();
}

}  // namespace

void AppManager::TrackJob(const shared_ptr<HttpRequest>& job) {
    std::lock_guard ui(net::UILock());
    if (stopping) {
        Detach(*job);
        job->Interrupt();
        return;
    }
    jobsInFlight.push_back(job);
    Subscribe(job->Complete, this, &AppManager::JobEnded);
}

void AppManager::JobEnded(HttpRequest* job, bool) {
    auto it = std::find_if(jobsInFlight.begin(), jobsInFlight.end(), [job](const auto& j) { return j.get() == job; });
    if (it != jobsInFlight.end()) jobsInFlight.erase(it);
    jobsEnded.notify_all();
}

void AppManager::StopJobs() {
    std::unique_lock ui(net::UILock());
    stopping = true;
    // What the records would make of the end is not wanted now: an
    // interrupted download must not be reported, a finished one not
    // installed, and a details answer cut short must not drop the bytes an
    // interrupted download left for the next run.
    for (const auto& job : jobsInFlight) {
        Detach(*job);
        Subscribe(job->Complete, this, &AppManager::JobEnded);
        job->Interrupt();
    }
    // The wait lets go of the UI lock, which the workers need to end.
    jobsEnded.wait_for(ui, kStopWait, [this] { return jobsInFlight.empty(); });
    for (const auto& job : jobsInFlight) Detach(*job);
    jobsInFlight.clear();
}

// The worker lock is the innermost lock of the manager: it is taken under a
// queue lock (here and below) and never held while another lock is taken, so
// WaitIdle cannot meet a queue in the opposite order.
void AppManager::WorkerStarted() {
    std::lock_guard lock(workerLock);
    ++workers;
}

void AppManager::WorkerEnded() {
    std::lock_guard lock(workerLock);
    --workers;
    workersIdle.notify_all();
}

void AppManager::JobQueued() {
    std::lock_guard lock(workerLock);
    ++queuedJobs;
}

void AppManager::JobLeftQueue() {
    std::lock_guard lock(workerLock);
    --queuedJobs;
    workersIdle.notify_all();
}

bool AppManager::NothingQueuedOrRunning() {
    std::lock_guard lock(workerLock);
    return workers == 0 && queuedJobs == 0;
}

bool AppManager::WaitUntilQuiet(std::chrono::milliseconds limit) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + limit;
    for (;;) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        const auto step = std::clamp(left, milliseconds(0), milliseconds(100));
        if (InetManager::Instance().WaitIdle(step) && WaitIdle(step)) {
            // Each manager idle in turn is not enough: work passes from one to
            // the other under the UI lock, and a worker counts itself out only
            // after it let go of that lock. Both at rest while it is held means
            // no hand-over is under way.
            std::lock_guard ui(net::UILock());
            if (InetManager::Instance().IsIdle() && NothingQueuedOrRunning()) return true;
        }
        if (steady_clock::now() >= deadline) return false;
    }
}

bool AppManager::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(workerLock);
    // A job leaves its queue before its worker ends, so both counts at zero
    // means nothing is queued or running.
    auto idle = [this] { return workers == 0 && queuedJobs == 0; };
    if (timeout == std::chrono::milliseconds::max()) {
        workersIdle.wait(lock, idle);
        return true;
    }
    return workersIdle.wait_for(lock, timeout, idle);
}
