#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "apps/JobEnd.h"
#include "base/Delegate.h"
#include "net/App.h"

// One install job: the installer run on a downloaded package, on a worker
// thread of its own, one job at a time (AppManager's install queue).
class InstallRequest : public AppJob {
public:
    InstallRequest(std::u16string cabPath, std::u16string sysid, int32_t revision)
        : cabPath(std::move(cabPath)), sysid(std::move(sysid)), revision(revision) {}

    std::u16string cabPath;  // device path of the package file
    std::u16string sysid;    // install name the package must create
    int32_t revision = 0;    // catalog revision being installed
    // Fired once, under the UI lock, when the job has ended.
    Delegation_2<InstallRequest*, bool> Done;
    // The running worker; not joinable before it starts and after it ends.
    std::thread worker;

    // Starts the worker; the install queue calls it for its head job.
    void Start(apps::JobOwner<InstallRequest> owner);
    // The device program that installs packages, and its command line.
    static constexpr const char16_t* kInstaller = u"\\Windows\\wceload.exe";
    static std::u16string CommandLine(std::u16string_view cabPath);

    // The store's own package: its revision under Software\Tobrix is written
    // before the installer runs; after it, a failed run restores the old one
    // and a successful one records the catalog revision installed.
    uint32_t PreRecordSelfRevision() const;
    void RestoreSelfRevision(bool ok) const;

private:
    void Work();
    // Runs the installer and disposes of the package file; true when the
    // installer ran at all.
    bool RunInstaller();
    void DisposeOfPackage();
    // The installer's stamp in the package's key, or nullopt.
    std::optional<std::u16string> InstallStamp() const;
    // The package's key exists and this run made it.
    bool FreshlyInstalled() const;
    static constexpr const char16_t* kStampValue = u"InstallStamp";

    apps::JobOwner<InstallRequest> owner;
    uint32_t oldSelfRevision = 0;
    bool wasInstalled = false;
    std::optional<std::u16string> stampBefore;
};
