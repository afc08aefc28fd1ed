// The jobs of an application record. The record's data and its catalog
// reading belong to the catalog client; what it does on the device is here.
#include "net/App.h"

#include <optional>

#include "apps/AppManager.h"
#include "apps/PackageNames.h"
#include "base/KeepAlive.h"
#include "base/Text.h"
#include "net/ApiMethods.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "net/XMLCatalogResponses.h"

// Handlers of one-shot events hold their record with a KeepAlive that they
// drop themselves: a record may leave every map (an uninstall, a screen
// closing) while its request or job is still under way.

void App::RequestDetails() {
    std::lock_guard ui(net::UILock());
    if (detailsRequest) return;
    detailsRequest =
        InetManager::Instance().Add(api::AppDetailsBySysid(ApiContext::Current(), sysid), /*busyIndicator=*/true);
    SubscribeFn(detailsRequest->Complete, [keep = KeepAlive(this)](HttpRequest* request, bool ok) mutable {
        App* self = keep.Get();
        if (!self) return;
        if (ok) {
            // The answer may not move the record to another package: the
            // install name is what ties it to the device.
            const std::u16string requested = self->sysid;
            XMLResponse_AppDetails reader(self);
            bool parsed = reader.Parse(request->Data(), request->Size()) == XMLResponse::kSuccess;
            if (self->sysid != requested) {
                self->sysid = requested;
                parsed = false;
            }
            self->inCatalog = parsed;
            self->StatusChanged.Invoke(self, StatusDetails, true, 1.0, parsed);
        } else {
            self->StatusChanged.Invoke(self, StatusDetails, true, 1.0, false);
        }
        keep.Drop();
    });
    AppManager::Instance().TrackJob(detailsRequest);
    StatusChanged.Invoke(this, StatusDetails, false, 0.0, true);
}

namespace {

// Why a download must not even begin, or nothing when it may.
std::optional<App::DownloadFault> RefusedBeforeDownload(const App& app, bool safeFileName) {
    // A name from the catalog that would write outside the cabs folder, or a
    // package that could never be installed.
    if (!safeFileName || !apps::IsSafeSysid(app.sysid)) return App::DownloadFault::Refused;
    AppManager& manager = AppManager::Instance();
    const int32_t signedRevision = manager.SignedRevision(app);
    // No trusted signature, or a signed revision that is not newer than the
    // one installed (an old answer played back to take the device back to
    // an older package). A package installed by other means has revision 0.
    if (signedRevision <= 0 || signedRevision <= manager.GetRevision(app.sysid)) return App::DownloadFault::Unverified;
    return std::nullopt;
}

}  // namespace

void App::Download() {
    std::lock_guard ui(net::UILock());
    if (IsDownloading()) return;
    auto fileName = apps::PackageFileName(install, sysid);
    downloadProgress = 0.0;
    if (auto fault = RefusedBeforeDownload(*this, fileName.has_value())) {
        // The download ends before it begins.
        downloadFault = *fault;
        StatusChanged.Invoke(this, StatusDownload, false, 0.0, true);
        StatusChanged.Invoke(this, StatusDownload, true, 1.0, false);
        AppManager::Instance().DownloadEnded(this);
        return;
    }
    const std::u16string target = AppManager::Instance().CabFolder() + u"\\" + *fileName;
    // Bytes of this package kept under another name (the catalog renamed
    // the file since) can never be resumed.
    AppManager::Instance().DropPartials(sysid, target);
    // The bytes must be the package this record's signed statement names;
    // the revision installed is the one signed, whatever the record says by
    // the time the download ends.
    const int32_t signedRevision = revision;
    downloadRequest = InetManager::Instance().AddResumable(
        api::Download(ApiContext::Current(), id), target,
        ResumeOptions{text::Utf16ToUtf8(sysid), apps::DownloadCheck(*this, AppManager::Instance().TrustedKeys())});
    SubscribeFn(downloadRequest->Progress, [this](HttpRequest*, double p) {
        downloadProgress = p;
        StatusChanged.Invoke(this, StatusDownload, false, p, true);
    });
    // Waiting for the line and trying again are progress of the same
    // download: the screens read the waiting from the record.
    SubscribeFn(downloadRequest->LinkWait, [this](HttpRequest*, bool) {
        StatusChanged.Invoke(this, StatusDownload, false, downloadProgress, true);
    });
    SubscribeFn(downloadRequest->Complete, [keep = KeepAlive(this), target, signedRevision](HttpRequest* request,
                                                                                          bool ok) mutable {
        App* self = keep.Get();
        if (!self) return;
        self->downloadFault = request->Interrupted()     ? DownloadFault::Interrupted
                              : request->Cancelled()     ? DownloadFault::Cancelled
                              : request->IntegrityFailed() ? DownloadFault::Unverified
                              : request->WriteFailed()   ? DownloadFault::Storage
                                                         : DownloadFault::Transfer;
        self->StatusChanged.Invoke(self, StatusDownload, true, 1.0, ok);
        if (ok)
            self->Install(target, signedRevision);
        else
            AppManager::Instance().DownloadEnded(self);
        keep.Drop();
    });
    AppManager::Instance().TrackJob(downloadRequest);
    StatusChanged.Invoke(this, StatusDownload, false, 0.0, true);
}

void App::Install(const std::u16string& cabPath) { Install(cabPath, revision); }

void App::Install(const std::u16string& cabPath, int32_t installedRevision) {
    std::lock_guard ui(net::UILock());
    shared_ptr<InstallRequest> job = AppManager::Instance().QueueInstall(cabPath, sysid, installedRevision);
    installJob = job;
    SubscribeFn(job->Done, [keep = KeepAlive(this)](InstallRequest*, bool ok) mutable {
        App* self = keep.Get();
        if (!self) return;
        self->StatusChanged.Invoke(self, StatusInstall, true, 1.0, ok);
        // Told wherever the user is, not only on the screen of the jobs.
        if (!ok) net::Services().ShowError(AppManager::kInstallFailed);
        keep.Drop();
    });
    StatusChanged.Invoke(this, StatusInstall, false, 0.0, true);
}

void App::Uninstall() {
    std::lock_guard ui(net::UILock());
    shared_ptr<UninstallRequest> job = AppManager::Instance().QueueUninstall(sysid);
    uninstallJob = job;
    SubscribeFn(job->Done, [keep = KeepAlive(this)](UninstallRequest*, bool ok) mutable {
        App* self = keep.Get();
        if (!self) return;
        self->StatusChanged.Invoke(self, StatusUninstall, true, 1.0, ok);
        keep.Drop();
    });
    StatusChanged.Invoke(this, StatusUninstall, false, 0.0, true);
}
