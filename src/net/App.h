#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "net/HttpRequest.h"

// A job of the application manager on one record (install, uninstall). The
// record only needs to know whether such a job is still pending; the jobs
// themselves belong to the application manager, which derives them from this.
class AppJob : public shared_object {
public:
    bool pending = true;
};

// One application of the catalog and/or of the device. The catalog readers
// fill its data; the application manager drives its jobs.
class App : public shared_object {
public:
    // The kind of job a status report is about; stored and compared as numbers.
    enum AppStatusType : int32_t {
        StatusInstall = 0,
        StatusDetails = 1,
        StatusDownload = 2,
        StatusUninstall = 3,
    };

    // A record of the catalog: everything empty or zero, inCatalog set; a
    // catalog reader fills it next.
    App() = default;
    // A record of an installed package known by its install name: "Company
    // Name" splits at the first space; a name without one is all name.
    explicit App(std::u16string_view installName);

    int32_t id = 0;
    std::u16string name;
    std::u16string company;
    std::u16string sysid;
    std::u16string icon;
    int32_t catid = 0;
    std::u16string type;
    double rate = 0.0;
    int32_t rates = 0;
    int32_t reviews = 0;
    int32_t views = 0;
    int32_t downloads = 0;
    uint32_t createtime = 0;  // seconds, unsigned as the catalog sends it
    std::u16string version;
    int32_t revision = 0;
    std::u16string exe;
    std::u16string install;
    shared_ptr<HttpRequest> detailsRequest;
    shared_ptr<HttpRequest> downloadRequest;
    shared_ptr<AppJob> installJob;
    shared_ptr<AppJob> uninstallJob;
    // (app, job kind, finished, progress 0..1, success)
    Delegation_5<App*, AppStatusType, bool, double, bool> StatusChanged;
    bool inCatalog = true;
    // Why the last download failed, so the user is told what went wrong: the
    // line or the service, the device's storage, or a package name from the
    // catalog that could never be saved or installed.
    // A download the user cancelled, one that is not a package the catalog
    // signed (or whose bytes are not that package), and one cut short by the
    // store's own exit are told apart from the rest as well.
    enum class DownloadFault { Transfer, Storage, Refused, Cancelled, Unverified, Interrupted };
    DownloadFault downloadFault = DownloadFault::Transfer;
    // The catalog's signed statement about the package, as "appdetails"
    // gives it: SHA-256 (lowercase hex), size in bytes, the signing key's id
    // and the signature; the other fields it covers are the record's own
    // (id, sysid, revision, version). Empty when the answer had none, and
    // then the package is never installed (src/apps/PackageTrust.h).
    std::string sha256;
    int64_t packageSize = 0;
    std::string packageKey;
    std::string packageSignature;
    // The last fraction of the package download reported.
    double downloadProgress = 0.0;

    bool IsDownloading() const { return downloadRequest && downloadRequest->Pending(); }
    // Downloading, but between two tries: the line is away.
    bool IsWaitingForLink() const { return IsDownloading() && downloadRequest->WaitingForLink(); }
    bool IsInstalling() const { return installJob && installJob->pending; }
    bool IsUninstalling() const { return uninstallJob && uninstallJob->pending; }

    // The jobs. They work through the application manager and are defined
    // with it (src/apps); the catalog client only declares them.
    void RequestDetails();
    void Download();
    void Install(const std::u16string& cabPath);
    // The same, recording `installedRevision` (the revision the package's
    // signed statement names) as the one installed.
    void Install(const std::u16string& cabPath, int32_t installedRevision);
    void Uninstall();
};
