#include "apps/InstallRequest.h"

#include "apps/InstallKeys.h"
#include "apps/PackageNames.h"
#include "core/Kestrum.h"
#include "net/NetServices.h"
#include "platform/files/Files.h"
#include "platform/process/CrashPoint.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"

using platform::Hive;

namespace {

std::u16string FileNameOf(const std::u16string& path) { return path.substr(path.rfind(u'\\') + 1); }

}  // namespace

std::u16string InstallRequest::CommandLine(std::u16string_view cabPath) {
    // "/delete 0": the store decides itself what happens to the package file.
    return u"/delete 0 \"" + std::u16string(cabPath) + u"\"";
}

uint32_t InstallRequest::PreRecordSelfRevision() const {
    if (sysid != apps::kSelfSysid) return 0;
    auto key = platform::OpenRegistryKey(Hive::LocalMachine, apps::kSelfKey);
    if (!key) return 0;
    uint32_t old = 0;
    key->ReadDword(apps::kRevisionValue, old);
    key->WriteDword(apps::kRevisionValue, static_cast<uint32_t>(revision));
    return old;
}

void InstallRequest::RestoreSelfRevision(bool ok) const {
    if (sysid != apps::kSelfSysid) return;
    // A failed run gives the old revision back. A successful one records the
    // catalog revision just installed: the package's setup extension writes
    // its own build number meanwhile, and leaving that (or the old value)
    // would offer the same update again on every start.
    if (auto key = platform::OpenRegistryKey(Hive::LocalMachine, apps::kSelfKey))
        key->WriteDword(apps::kRevisionValue, ok ? static_cast<uint32_t>(revision) : oldSelfRevision);
}

void InstallRequest::Start(apps::JobOwner<InstallRequest> queue) {
    owner = std::move(queue);
    worker = std::thread([this] { Work(); });
}

std::optional<std::u16string> InstallRequest::InstallStamp() const {
    auto key = platform::OpenRegistryKey(Hive::LocalMachine, apps::kAppInstallKey + sysid);
    std::u16string stamp;
    if (!key || !key->ReadString(kStampValue, stamp)) return std::nullopt;
    return stamp;
}

bool InstallRequest::FreshlyInstalled() const {
    if (!apps::IsInstalled(sysid)) return false;
    // The key alone proves nothing when it was there before: a failed update
    // leaves the old installation's key in place. Then only a new stamp of
    // the installer counts.
    if (!wasInstalled) return true;
    auto stamp = InstallStamp();
    return stamp && stamp != stampBefore;
}

bool InstallRequest::RunInstaller() {
    // A sysid that could name another key is never installed: the installer
    // would be judged by a key the package does not own.
    if (!apps::IsSafeSysid(sysid) || !platform::IsFile(cabPath)) return false;
    wasInstalled = apps::IsInstalled(sysid);
    stampBefore = InstallStamp();
    auto process = platform::CreateDeviceProcess(kInstaller, CommandLine(cabPath));
    if (!process) return false;
    platform::CrashPoint("installer-started");
    process->Wait();  // no time limit: the user may take a while to answer the installer
    platform::CrashPoint("installer-ended");
    DisposeOfPackage();
    return true;
}

void InstallRequest::DisposeOfPackage() {
    bool keepOnCard;
    {
        std::lock_guard ui(net::UILock());
        keepOnCard = Kestrum::Instance().keepPackagesOnCard != 0;
    }
    std::u16string card = keepOnCard ? platform::FirstStorageCard() : std::u16string();
    if (card.size() >= 2) {
        std::u16string folder = card + apps::kCardFolder;
        platform::CreateFolder(folder);
        // An older copy on the card stays; the new one is not kept twice.
        if (platform::MoveFile(cabPath, folder + FileNameOf(cabPath))) return;
    }
    // The file may be gone already: the store's own update removes the old
    // installation first, whose setup extension deletes the whole download
    // folder. What was installed is judged by the registry, not by this.
    platform::DeleteFile(cabPath);
}

void InstallRequest::Work() {
    oldSelfRevision = PreRecordSelfRevision();
    const bool ran = RunInstaller();
    {
        // Screens read the flag under the UI lock; so is it written.
        std::lock_guard ui(net::UILock());
        pending = false;
    }
    apps::EndJob(this, ran && FreshlyInstalled(), owner);
}
