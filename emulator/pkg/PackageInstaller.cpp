#include "pkg/PackageInstaller.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <random>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

#include "base/Text.h"
#include "pkg/CabArchive.h"
#include "pkg/Manifest.h"
#include "pkg/PackageNames.h"
#include "pkg/PackagePolicy.h"
#include "pkg/SetupDocument.h"
#include "pkg/SetupExtension.h"
#include "pkg/Transaction.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"
#include "platform/process/CrashPoint.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"

namespace fs = std::filesystem;
using platform::Hive;
using platform::Registry;

namespace pkg {
namespace {

std::string U8(std::u16string_view s) { return text::Utf16ToUtf8(s); }

std::optional<fs::path> Host(std::u16string_view devicePath) {
    return platform::CurrentDevice().HostPath(devicePath);
}

std::u16string Lower(std::u16string_view s) { return text::AsciiLower(s); }

bool EndsWithExe(std::u16string_view path) {
    return path.size() >= 4 && text::EqualsIgnoreCase(path.substr(path.size() - 4), u".exe");
}

// Unique for every installation on this device, so that whoever started the
// installer can tell a fresh key from one an earlier installation left.
std::u16string NewStamp() {
    static std::random_device random;
    auto now = std::chrono::system_clock::now().time_since_epoch().count();
    return text::Utf8ToUtf16(std::to_string(now) + "-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
}

// Deletes a folder left from an earlier attempt (a crash, a killed installer).
void RemoveTree(const fs::path& p) {
    std::error_code ec;
    fs::remove_all(p, ec);
}

// A process that ended (killed, the power gone) without finishing its work.
bool ProcessGone(int64_t pid) {
    return pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Undoes what the record of an unfinished installation says was done, in the
// reverse order: its files go, the files it had put aside come back, values
// it overwrote get their old content and the keys it made are deleted.
void TakeBack(const Registry& registry, const Manifest& m) {
    std::error_code ec;
    for (const auto& f : m.files)
        if (auto host = Host(f); host && !fs::is_directory(fs::symlink_status(*host, ec))) fs::remove(*host, ec);
    for (auto it = m.replaced.rbegin(); it != m.replaced.rend(); ++it) {
        auto target = Host(it->path), kept = Host(it->keptAt);
        if (target && kept && fs::exists(fs::symlink_status(*kept, ec))) fs::rename(*kept, *target, ec);
    }
    for (auto it = m.values.rbegin(); it != m.values.rend(); ++it) {
        auto key = registry.OpenKey(it->hive, it->key);
        if (key && it->previous)
            key->Write(it->name, *it->previous);
        else if (key)
            key->DeleteValue(it->name);
    }
    for (const auto& k : m.keys) registry.DeleteKey(k.hive, k.path);
    for (auto it = m.folders.rbegin(); it != m.folders.rend(); ++it) {
        auto host = Host(*it);
        if (host && fs::is_directory(*host, ec) && fs::is_empty(*host, ec)) fs::remove(*host, ec);
    }
}

// Settles the record of an installation whose process is gone: with its key
// it had finished but for the record; without it, it is taken back.
void Settle(const Registry& registry, const fs::path& recordFolder) {
    std::ifstream in(recordFolder / U8(kManifestName), std::ios::binary);
    if (!in) return;
    auto m = Manifest::FromJson(std::string(std::istreambuf_iterator<char>(in), {}));
    in.close();
    if (!m || m->installer == 0 || !ProcessGone(m->installer)) return;
    if (Host(RecordFolder(m->installName)) != recordFolder) return;  // copied from elsewhere: not trusted
    if (registry.OpenKey(Hive::LocalMachine, AppInstallKey(m->installName))) {
        m->installer = 0;
        m->replaced.clear();
        SaveManifest(*m, nullptr);
        return;
    }
    TakeBack(registry, *m);
    std::error_code ec;
    fs::remove_all(recordFolder, ec);
}

class Installation {
public:
    Installation(const InstallOptions& options, PackageResult& result) : options(options), result(result) {}

    bool Fail(const std::string& why) {
        if (result.message.empty()) result.message = why;
        return false;
    }
    void Say(const std::string& what) const {
        if (options.progress) options.progress(what);
    }

    bool Run(const fs::path& cabFile) {
        registry = Registry::Current();
        if (!registry) return Fail("the device's registry cannot be opened");
        std::string error;
        auto cab = CabArchive::Open(cabFile, &error);
        if (!cab) return Fail(error);

        const std::u16string pid = text::Utf8ToUtf16(std::to_string(::getpid()));
        stagingDevicePath = JoinDevicePath(kRecordRoot, std::u16string(kStagingPrefix) + pid);
        auto staging = Host(stagingDevicePath);
        if (!staging) return Fail("no staging folder on the device");
        stagingDir = *staging;
        RemoveTree(stagingDir);
        std::error_code ec;
        fs::create_directories(stagingDir, ec);
        if (ec) return Fail("cannot create " + stagingDir.string() + ": " + ec.message());
        bool ok = Stage(*cab) && Replace() && Apply();
        RemoveTree(stagingDir);
        fs::remove(stagingDir.parent_path(), ec);  // the records' folder, when it holds nothing
        return ok;
    }

private:
    // Reads and checks everything the package holds before the device changes.
    bool Stage(CabArchive& cab) {
        std::string error;
        const auto* setupEntry = cab.Find(u"_setup.xml");
        if (!setupEntry) return Fail("the package has no _setup.xml");
        if (!Fits(setupEntry->size)) return false;
        auto parsed = ReadSetupDocument(cab, stagingDir, &error);
        if (!parsed) return Fail(error);
        doc = std::move(*parsed);
        result.installName = U8(doc.installName);
        if (!Permitted()) return false;
        Say("installing " + result.installName);

        auto sources = doc.Sources();
        if (!sources.empty()) {
            uint64_t total = 0;
            for (const auto& name : sources)
                if (const auto* entry = cab.Find(name)) total += entry->size;
            if (!Fits(total)) return false;
            fs::path payload = stagingDir / "payload";
            fs::create_directory(payload);
            auto extracted = cab.Extract(sources, payload, options.maxBytes, &error);
            if (!extracted) return Fail(error);
            staged = std::move(*extracted);
        }
        for (const auto& f : doc.files)
            if (!Host(f.target)) return Fail("a target outside the device: " + U8(f.target));
        for (const auto& s : doc.shortcuts)
            if (!Host(s.path)) return Fail("a shortcut outside the device: " + U8(s.path));
        return true;
    }

    // Asked before a byte of the payload is unpacked: a package that would
    // reach into the store's places or another package's is refused whole, and
    // a setup extension it brings is never even extracted.
    bool Permitted() {
        auto problem = StorePlacesProblem(doc);
        auto apps = registry->OpenKey(Hive::LocalMachine, kAppInstallRoot);
        for (const auto& name : apps ? apps->Subkeys() : std::vector<std::u16string>{}) {
            if (problem) break;
            if (auto other = LoadManifest(name)) problem = OwnershipProblem(doc, *other, *registry);
        }
        if (!problem) return true;
        result.refused = true;
        return Fail(*problem);
    }

    // The cabinet's reader writes past the files role, so the device's free
    // space is asked before it unpacks anything there.
    bool Fits(uint64_t bytes) {
        auto free = platform::FreeSpace(kRecordRoot);
        if (free && bytes > *free) return Fail("not enough storage on the device for the package's files");
        return true;
    }

    // A package that is installed already is removed first, as on the device.
    bool Replace() {
        previouslyInstalled = registry->OpenKey(Hive::LocalMachine, AppInstallKey(doc.installName)).has_value();
        if (previouslyInstalled) {
            Say("removing the installed version first");
            auto removed = RemovePackage(doc.installName, options.progress);
            if (!removed.ok) return Fail("the installed version cannot be removed: " + removed.message);
        }
        // Records of a package whose key is gone are stale.
        if (auto record = Host(RecordFolder(doc.installName))) RemoveTree(*record);
        return true;
    }

    bool Apply() {
        Transaction tx;
        manifest.installName = doc.installName;
        manifest.installDir = doc.installDir;
        if (!MakeFolder(RecordFolder(doc.installName), tx, false)) return false;
        // From here on the record is written ahead of every change, so that
        // an installation cut short can be taken back by the next one.
        manifest.installer = ::getpid();
        if (!Journal()) return false;
        if (!LoadExtension(tx)) return false;
        if (extension && extension->InstallInit(doc.installDir, previouslyInstalled) != kSetupContinue)
            return Fail("the setup extension cancelled the installation");
        if (!MakeFolder(doc.installDir, tx, true)) return false;
        for (const auto& folder : doc.folders)
            if (!MakeFolder(folder, tx, true)) return false;
        for (const auto& f : doc.files)
            if (!PutFile(f.target, staged.at(f.source), std::nullopt, tx)) return false;
        for (const auto& s : doc.shortcuts)
            if (!PutFile(s.path, {}, platform::ShortcutText(s.target), tx)) return false;
        for (const auto& entry : doc.registry)
            if (!WriteRegistry(entry, tx)) return false;
        if (extension && extension->InstallExit(doc.installDir) != kSetupContinue)
            return Fail("the setup extension undid the installation");
        platform::CrashPoint("installer-applied");
        if (!CreateAppInstallKey(tx)) {
            UndoExtension();
            return false;
        }
        platform::CrashPoint("installer-committed");
        // The key made it an installation; the record now says it is complete.
        manifest.installer = 0;
        manifest.replaced.clear();
        if (!Journal()) {
            UndoExtension();
            return false;
        }
        tx.Commit();
        Say("installed " + result.installName);
        return true;
    }

    bool LoadExtension(Transaction& tx) {
        if (doc.setupDll.empty()) return true;
        auto target = Host(JoinDevicePath(RecordFolder(doc.installName), kExtensionName));
        std::string copyError = "no record folder";
        if (!target || !platform::CopyHostFile(staged.at(doc.setupDll), *target, &copyError))
            return Fail("cannot keep the setup extension: " + copyError);
        std::error_code ec;
        fs::permissions(*target, fs::perms::owner_exec, fs::perm_options::add, ec);
        std::string error;
        extension = SetupExtension::Load(*target, &error);
        if (!extension) return Fail(error);
        manifest.setupExtension = true;
        // Unloaded before its file goes when the installation is undone.
        tx.OnUndo([this] { extension.reset(); });
        return true;
    }

    // Once Install_Exit has run, the extension has done its part; when a later
    // step fails, it is asked to take that back as in a removal.
    void UndoExtension() {
        if (!extension) return;
        extension->UninstallInit(doc.installDir);
        extension->UninstallExit();
    }

    bool Journal() {
        std::string error;
        return SaveManifest(manifest, &error) || Fail(error);
    }

    // Creates the folder and its missing parents; each new one is recorded
    // (when `record`) so that removal deletes it again if it is empty.
    bool MakeFolder(std::u16string_view devicePath, Transaction& tx, bool record) {
        std::u16string current;
        std::size_t pos = 1;
        while (pos <= devicePath.size()) {
            std::size_t next = devicePath.find(u'\\', pos);
            if (next == std::u16string_view::npos) next = devicePath.size();
            if (next > pos) {
                current += u'\\';
                current += devicePath.substr(pos, next - pos);
                auto host = Host(current);
                if (!host) return Fail("a folder outside the device: " + U8(current));
                std::error_code ec;
                if (!fs::is_directory(*host, ec)) {
                    if (record) {
                        manifest.folders.push_back(current);
                        if (!Journal()) return false;
                    }
                    if (!fs::create_directory(*host, ec) || ec)
                        return Fail("cannot create " + U8(current) + ": " + (ec ? ec.message() : "exists"));
                    tx.OnUndo([p = *host] {
                        std::error_code e;
                        fs::remove_all(p, e);
                    });
                }
            }
            pos = next + 1;
        }
        return true;
    }

    // Puts a file in place, from a staged file or from `content`. A file that
    // is in the way is kept aside and comes back if the installation fails.
    bool PutFile(const std::u16string& devicePath, const fs::path& from, const std::optional<std::u16string>& content,
                 Transaction& tx) {
        auto folderEnd = devicePath.rfind(u'\\');
        if (!MakeFolder(devicePath.substr(0, folderEnd), tx, true)) return false;
        fs::path target = *Host(devicePath);
        std::error_code ec;
        if (fs::is_directory(target, ec)) return Fail("a folder is in the way of " + U8(devicePath));
        if (std::find(manifest.files.begin(), manifest.files.end(), devicePath) == manifest.files.end())
            manifest.files.push_back(devicePath);
        if (fs::exists(fs::symlink_status(target, ec))) {
            const std::u16string kept = u"backup" + text::Utf8ToUtf16(std::to_string(backups++));
            fs::path backup = stagingDir / text::Utf16ToUtf8(kept);
            manifest.replaced.push_back({devicePath, JoinDevicePath(stagingDevicePath, kept)});
            if (!Journal()) return false;
            fs::rename(target, backup, ec);
            if (ec) return Fail("cannot replace " + U8(devicePath) + ": " + ec.message());
            tx.OnUndo([target, backup] {
                std::error_code e;
                fs::remove(target, e);
                fs::rename(backup, target, e);
            });
        }
        if (!Journal()) return false;
        // Through the files role, which keeps to the device's free space.
        std::string error;
        const bool written = content ? platform::WriteHostFile(target, U8(*content))
                                     : platform::CopyHostFile(from, target, &error);
        tx.OnUndo([target] {
            std::error_code e;
            fs::remove(target, e);
        });
        if (!written) return Fail("cannot write " + U8(devicePath) + (error.empty() ? "" : " (" + error + ")"));
        // The device's programs are executable files; whether one may run on
        // the host is decided when it is started, not here.
        if (!content && EndsWithExe(devicePath)) {
            fs::permissions(target, fs::perms::owner_exec, fs::perm_options::add, ec);
            if (ec) return Fail("cannot mark " + U8(devicePath) + " as a program: " + ec.message());
        }
        return true;
    }

    bool CreatedByUs(Hive hive, const std::u16string& path) const {
        std::u16string lower = Lower(path);
        for (const auto& k : manifest.keys) {
            std::u16string created = Lower(k.path);
            if (k.hive == hive && (lower == created || lower.rfind(created + u"\\", 0) == 0)) return true;
        }
        return false;
    }

    static bool Listed(const std::vector<ValueRef>& list, Hive hive, const std::u16string& key,
                       const std::u16string& name) {
        for (const auto& v : list)
            if (v.hive == hive && Lower(v.key) == Lower(key) && Lower(v.name) == Lower(name)) return true;
        return false;
    }

    bool WriteRegistry(const RegistryEntry& entry, Transaction& tx) {
        auto key = registry->OpenKey(entry.hive, entry.key);
        bool ours = CreatedByUs(entry.hive, entry.key);
        if (!key) {
            // Record the topmost key this installation brings into being.
            std::u16string topmost = entry.key;
            for (auto pos = entry.key.find(u'\\'); pos != std::u16string::npos; pos = entry.key.find(u'\\', pos + 1)) {
                std::u16string prefix = entry.key.substr(0, pos);
                if (!registry->OpenKey(entry.hive, prefix)) {
                    topmost = prefix;
                    break;
                }
            }
            manifest.keys.push_back({entry.hive, topmost});
            if (!Journal()) return false;
            key = registry->CreateKey(entry.hive, entry.key);
            if (!key) return Fail("cannot create the registry key " + U8(entry.key));
            tx.OnUndo([this, hive = entry.hive, topmost] { registry->DeleteKey(hive, topmost); });
            ours = true;
        }
        for (const auto& [name, value] : entry.values) {
            if (!ours) {
                auto previous = key->Read(name);
                tx.OnUndo([key = *key, name = name, previous] {
                    if (previous)
                        key.Write(name, *previous);
                    else
                        key.DeleteValue(name);
                });
                if (!Listed(manifest.values, entry.hive, entry.key, name)) {
                    manifest.values.push_back({entry.hive, entry.key, name, previous});
                    if (!Journal()) return false;
                }
            }
            if (ours && manifest.createdValues && !Listed(*manifest.createdValues, entry.hive, entry.key, name)) {
                manifest.createdValues->push_back({entry.hive, entry.key, name, std::nullopt});
                if (!Journal()) return false;
            }
            if (!key->Write(name, value)) return Fail("cannot write the registry value " + U8(name));
        }
        return true;
    }

    // Last step: from now on the package counts as installed.
    bool CreateAppInstallKey(Transaction& tx) {
        std::u16string path = AppInstallKey(doc.installName);
        auto key = registry->CreateKey(Hive::LocalMachine, path);
        if (!key) return Fail("cannot create the package's key");
        tx.OnUndo([this, path] { registry->DeleteKey(Hive::LocalMachine, path); });
        auto exes = key->CreateSubkey(u"ExecutableFiles");
        if (!exes || !key->WriteString(u"InstallDir", doc.installDir) || !key->WriteString(kInstallStamp, NewStamp()))
            return Fail("cannot fill the package's key");
        for (const auto& f : doc.files)
            if (EndsWithExe(f.target) && !exes->WriteString(f.target, IconOf(f.target)))
                return Fail("cannot list the package's programs");
        return true;
    }

    // A program's icon is the picture the package installs next to it under
    // the same name ("notes.png" beside "notes.exe"); the shell shows it for
    // the program. Empty when the package brings none.
    std::u16string IconOf(const std::u16string& program) const {
        const std::u16string icon = program.substr(0, program.size() - 4) + u".png";
        for (const auto& f : doc.files)
            if (text::EqualsIgnoreCase(f.target, icon)) return f.target;
        return {};
    }

    const InstallOptions& options;
    PackageResult& result;
    std::shared_ptr<Registry> registry;
    std::u16string stagingDevicePath;
    fs::path stagingDir;
    SetupDocument doc;
    std::map<std::u16string, fs::path> staged;
    bool previouslyInstalled = false;
    Manifest manifest;
    std::unique_ptr<SetupExtension> extension;
    int backups = 0;
};

}  // namespace

void RecoverInterruptedInstallations() {
    if (!platform::HasCurrentDevice()) return;
    auto records = Host(kRecordRoot);
    auto registry = Registry::Current();
    if (!records || !registry) return;
    std::vector<fs::path> folders, gone;
    bool othersRunning = false;
    const std::string staging = U8(kStagingPrefix);
    std::error_code ec;
    for (fs::directory_iterator it(*records, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        int64_t pid = 0;
        if (name.rfind(staging, 0) != 0)
            folders.push_back(it->path());
        else if (text::ParseInt64(name.substr(staging.size()), pid) && ProcessGone(pid))
            gone.push_back(it->path());
        else
            othersRunning = othersRunning || pid != ::getpid();
    }
    for (const auto& folder : folders) {
        std::error_code e;
        if (fs::exists(folder / U8(kManifestName), e))
            Settle(*registry, folder);
        else if (!othersRunning)
            RemoveTree(folder);  // killed before its first record: nothing else was done yet
    }
    // The work folders go last: they hold the files put aside.
    for (const auto& folder : gone) RemoveTree(folder);
    fs::remove(*records, ec);  // when no package is recorded any more
}

PackageResult InstallPackage(const fs::path& cabFile, const InstallOptions& options) {
    PackageResult result;
    if (!platform::HasCurrentDevice()) {
        result.message = "no device selected";
        return result;
    }
    RecoverInterruptedInstallations();
    Installation installation(options, result);
    result.ok = installation.Run(cabFile);
    return result;
}

}  // namespace pkg
