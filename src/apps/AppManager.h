#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "apps/InstallKeys.h"
#include "apps/InstallRequest.h"
#include "apps/PackageTrust.h"
#include "apps/UninstallRequest.h"
#include "base/Delegate.h"
#include "base/Singleton.h"
#include "base/shared_ptr.h"
#include "net/App.h"
#include "platform/window/IdleProbes.h"

// The application manager: which packages are on the device, which are being
// downloaded, and the install and uninstall queues. Maps, counts and events
// are touched only under the application's UI lock; the two queue locks
// guard nothing but their queues and are taken after the UI lock, never
// before it.
class AppManager : public Singleton<AppManager> {
public:
    using AppMap = std::map<std::u16string, shared_ptr<App>>;

    // The store's own package and where its installed revision lives.
    static constexpr const char16_t* kSelfSysid = apps::kSelfSysid;
    static constexpr const char16_t* kSelfKey = apps::kSelfKey;
    static constexpr const char16_t* kAppInstallKey = apps::kAppInstallKey;
    static constexpr const char16_t* kRevisionValue = apps::kRevisionValue;
    static constexpr const char16_t* kCardFolder = apps::kCardFolder;
    // Messages of failed jobs (string numbers).
    static constexpr int32_t kNoAnswer = 998;
    static constexpr int32_t kInstallFailed = 11013;
    static constexpr int32_t kNoRoom = 11015;
    static constexpr int32_t kUnverified = 11022;

    ~AppManager() override;

    AppMap& Installed() { return installed; }
    AppMap& Downloading() { return downloading; }

    bool IsInstalled(const std::u16string& sysid);
    int32_t GetRevision(const std::u16string& sysid);
    // The catalog's revision of a record as far as it may be offered and
    // installed: the revision a key the device trusts signed, 0 when no such
    // signature vouches for the record (UI lock held).
    int32_t SignedRevision(const App& app);
    // The keys the device trusts, read from its registry once per run.
    const apps::TrustedKeys& TrustedKeys();
    std::u16string FindExecutable(const std::u16string& sysid, const std::u16string& exeHint);
    void ScanStartMenu();
    void LoadInstalled();
    void AddInstalled(const std::u16string& sysid);
    void RemoveInstalled(const std::u16string& sysid);

    // Starts a first installation: the record joins `downloading`, then its
    // package is downloaded.
    void AddDownload(const shared_ptr<App>& app);
    shared_ptr<InstallRequest> QueueInstall(const std::u16string& cabPath, const std::u16string& sysid,
                                            int32_t revision);
    shared_ptr<UninstallRequest> QueueUninstall(const std::u16string& sysid);
    void Launch(const std::u16string& sysid, const std::u16string& exeHint);

    void CheckForUpdates();
    void StartUpdate(App* app);
    // Stops a download that runs or waits in the queue; its partial file is
    // deleted and a first installation leaves the downloading map.
    void CancelDownload(App* app);
    // A download ended without its package (UI lock held): the user is told
    // why, wherever he is, and a cancelled first installation is forgotten.
    void DownloadEnded(App* app);
    // The message for a failed download, 0 for none (a cancel, the store's
    // own exit).
    static int32_t DownloadFailureMessage(const App& app);
    // Deletes the partial downloads of a package, but for the one of the
    // package file `except` (a device path; empty: all of them).
    void DropPartials(const std::u16string& sysid, const std::u16string& except = {});
    // Downloads a broken line or a killed store left in the cabs folder:
    // resumed once the catalog has accepted the device (the packages are
    // joined to the catalog first), or deleted when nobody wants them. Once
    // per run.
    void ResumeInterrupted();
    void OnAppStatus(App* app, App::AppStatusType kind, bool finished, double progress, bool success);
    // A record's catalog request or package download, whose handlers reach
    // the manager and the record: the manager stops it before it goes
    // itself. Once the manager is stopping, the request is stopped at once.
    void TrackJob(const shared_ptr<HttpRequest>& job);
    int32_t UpdateCount() const { return updateCount; }

    // The program's folder (ends with "\") and the download folder in it.
    static std::u16string ProgramFolder();
    const std::u16string& CabFolder() const { return cabFolder; }

    // Back to the state of a fresh start on the current device: tools and
    // tests reuse the one instance across device roots. Waits for running
    // jobs first.
    void Reset();
    // Waits until no install or uninstall job is queued or running; false
    // when `timeout` passed first. Must not be called with the UI lock held.
    bool WaitIdle(std::chrono::milliseconds timeout);
    // Waits until no request, download, install or uninstall is queued,
    // running or about to hand over to another (a finished download queues
    // its installation, a finished installation asks for the catalog
    // details); false when `limit` passed first. Must not be called with the
    // UI lock held.
    bool WaitUntilQuiet(std::chrono::milliseconds limit);

    // Fields in the order of the store's design.
    AppMap installed;
    AppMap downloading;
    std::vector<shared_ptr<InstallRequest>> installQueue;
    std::vector<shared_ptr<UninstallRequest>> uninstallQueue;
    std::mutex installLock;
    std::mutex uninstallLock;
    // An installed package appeared (true) or is about to disappear (false).
    Delegation_2<const shared_ptr<App>&, bool> InstalledChanged;
    Delegation_0 UpdatesChanged;
    std::vector<std::u16string> shortcutExes;
    int32_t updateCount = 0;
    int32_t revisionBeforeUninstall = 0;
    std::u16string cabFolder;
    bool offerSelfUpdate = true;
    App* selfUpdateApp = nullptr;

    // What the application does for the manager beyond its services: repaint
    // after a job changed the lists, and open the My applications screen once
    // the store's own update has started. Fired under the UI lock.
    Delegation_0 RepaintNeeded;
    Delegation_0 ShowMyApplications;

private:
    std::optional<apps::TrustedKeys> trustedKeys;

    friend class Singleton<AppManager>;
    AppManager();

    void Start();
    // Starts the head job's worker when it has none; under the queue's lock.
    void RunInstallQueueLocked();
    void RunUninstallQueueLocked();
    // The parts of a finished job that belong to the manager; UI lock held.
    void InstallEnded(InstallRequest* job, bool ok);
    void UninstallEnded(UninstallRequest* job, bool ok);
    void ScanFolder(const std::u16string& folder, int depth);
    void OfferSelfUpdate(App* app);
    void ChangeUpdateCount(int32_t delta);
    // The manager's part of a record's news (UI lock held): a finished
    // details request counts an update, a finished uninstall takes one off
    // the count.
    void CountUpdate(App* app);
    void UncountUninstalledUpdate(App* app);
    // A record asked the catalog for its details so that its interrupted
    // download can go on: start it, or drop the partial nobody wants now.
    // An installed package's update, or a first installation.
    void ResumeAfterDetails(App* app, bool success);
    void ResumeUpdate(App* app, bool success);
    void ResumeFirstInstall(App* app, bool success);
    // Packages (install names) whose interrupted download waits for their
    // details, and whether this run looked for them already.
    std::set<std::u16string> resumeWanted;
    bool resumeChecked = false;

    shared_ptr<App> selfUpdateKeep;

    // At exit: interrupts the tracked requests (a download keeps what
    // arrived, for the next run), lets go of what their handlers would do
    // and waits, bounded, until their workers have let go of them.
    void StopJobs();
    void JobEnded(HttpRequest* job, bool ok);
    // The tracked requests not yet ended; UI lock.
    std::vector<shared_ptr<HttpRequest>> jobsInFlight;
    std::condition_variable_any jobsEnded;
    bool stopping = false;

    // Live worker threads, so that nothing outlives the manager, and the jobs
    // in both queues, so that waiting for idle needs no queue lock. Taken
    // after a queue lock, never before one.
    std::mutex workerLock;
    std::condition_variable workersIdle;
    int workers = 0;
    int queuedJobs = 0;
    void WorkerStarted();
    void WorkerEnded();
    void JobQueued();
    void JobLeftQueue();
    bool NothingQueuedOrRunning();

    // Headless runs wait for installs and removals as they wait for
    // downloads.
    std::unique_ptr<platform::ScopedIdleProbe> idleProbe;
};
