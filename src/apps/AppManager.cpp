#include "apps/AppManager.h"

#include <algorithm>

#include "apps/PackageNames.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
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
    // Workers finish their job first: they still use the manager.
    WaitIdle(std::chrono::milliseconds::max());
    if (!cabFolder.empty() && platform::HasCurrentDevice()) platform::ShellDeleteTree(cabFolder);
}

void AppManager::Start() {
    cabFolder = ProgramFolder() + u"cabs";
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

bool AppManager::IsInstalled(const std::u16string& sysid) {
    return apps::IsSafeSysid(sysid) && platform::OpenRegistryKey(Hive::LocalMachine, kAppInstallKey + sysid);
}

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
    return static_cast<int32_t>(revision);
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
    downloading.emplace(app->sysid, app);
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
    installQueue.front()->Start();
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
    uninstallQueue.front()->Start();
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
    if (!finished || !success) return;
    if (kind == App::StatusDetails) {
        const int32_t installedRevision = GetRevision(app->sysid);
        if (app->revision <= installedRevision || installedRevision <= 0) return;
        ChangeUpdateCount(+1);
        // The store's own package by its exact install name, the one the install
        // job checks too: a foreign package that merely mentions the store must
        // not take the one offer, nor be installed as the store's update.
        if (app->sysid == kSelfSysid && offerSelfUpdate) OfferSelfUpdate(app);
    } else if (kind == App::StatusUninstall) {
        if (app->revision > revisionBeforeUninstall && revisionBeforeUninstall > 0) ChangeUpdateCount(-1);
    }
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
    net::Services().AskPopup(8, message, 1, 2, [this](int answer) {
        std::lock_guard ui(net::UILock());
        if (answer == 0 && selfUpdateApp) {
            StartUpdate(selfUpdateApp);
            ShowMyApplications.Invoke();
        }
        selfUpdateApp = nullptr;
        selfUpdateKeep = nullptr;
    });
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
