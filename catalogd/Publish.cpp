#include "Publish.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "Db.h"
#include "Package.h"
#include "PackageCheck.h"
#include "Schema.h"
#include "Seed.h"
#include "SigningKeys.h"

namespace catalogd {
namespace {

namespace fs = std::filesystem;

struct Current {
    SamplePackage app;
    int64_t revision = 0;
    std::string install, package;
};

Current Find(Db& db, const PublishRequest& request) {
    Stmt& s = request.appId
                  ? db.Prepare("SELECT id, sysid, name, company, exe, version, revision, install, package FROM apps "
                               "WHERE id = ?1")
                  : db.Prepare("SELECT id, sysid, name, company, exe, version, revision, install, package FROM apps "
                               "WHERE sysid = ?1");
    if (request.appId)
        s.BindAll(*request.appId);
    else
        s.BindAll(request.sysid);
    if (!s.Step()) {
        s.Reset();
        throw PublishError(request.appId ? "no application with id " + std::to_string(*request.appId)
                                         : "no application with install name \"" + request.sysid + "\"");
    }
    Current c;
    c.app = {s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4), s.Text(5)};
    c.revision = s.Int(6);
    c.install = s.Text(7);
    c.package = s.Text(8);
    s.Reset();
    return c;
}

std::string ReadCabinetFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw PublishError("cannot read " + path);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string data = bytes.str();
    // The device's installer takes nothing else; refusing here keeps a
    // wrong file from reaching every device that updates.
    if (data.size() < 36 || data.compare(0, 4, "MSCF") != 0) throw PublishError(path + " is not a cabinet file");
    return data;
}

// Written beside its final name and renamed, so that the server never
// serves half a package.
void WriteWhole(const fs::path& path, const std::string& bytes) {
    fs::path partial = path;
    partial += ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::error_code ec;
            fs::remove(partial, ec);
            throw PublishError("cannot write " + partial.string());
        }
    }
    std::error_code ec;
    fs::rename(partial, path, ec);
    if (ec) {
        fs::remove(partial, ec);
        throw PublishError("cannot write " + path.string());
    }
}

std::string FilesFolder(Db& db) {
    Stmt& s = db.Prepare("SELECT value FROM meta WHERE key = 'assets'");
    std::string folder = s.Step() ? s.Text(0) : std::string();
    s.Reset();
    if (folder.empty()) throw PublishError("the store has no files folder; fill it with \"catalogd seed\" first");
    return folder;
}

// "notes_3_r7" -> "notes_3": revisions do not pile up in the name.
std::string BaseName(const std::string& stem) {
    const size_t r = stem.rfind("_r");
    if (r == std::string::npos || r + 2 == stem.size()) return stem;
    for (size_t i = r + 2; i < stem.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(stem[i]))) return stem;
    return stem.substr(0, r);
}

}  // namespace

PublishResult Publish(Db& db, const PublishRequest& request) {
    // Read before anything changes: without the key nothing can be published.
    formats::SigningKey key;
    try {
        key = LoadSigningKey(request.signingKeyFile);
    } catch (const std::runtime_error& e) {
        throw PublishError(e.what());
    }
    if (request.revision > formats::kMaxRevision)
        throw PublishError("revision " + std::to_string(request.revision) + " is above the highest a device records (" +
                           std::to_string(formats::kMaxRevision) + ")");
    CreateSchema(db);
    // The write lock from the start: two publishes of one application run
    // one after the other, and the second sees the first one's revision.
    Transaction tx(db);
    Current current = Find(db, request);
    if (request.revision <= current.revision)
        throw PublishError("revision " + std::to_string(request.revision) + " is not newer than revision " +
                           std::to_string(current.revision) + " of \"" + current.app.sysid + "\"");
    const std::string assets = request.filesDir.empty() ? FilesFolder(db) : request.filesDir;

    PublishResult result;
    result.appId = current.app.id;
    result.sysid = current.app.sysid;
    result.previousRevision = current.revision;
    result.version = request.version ? *request.version : SampleVersion(request.revision);
    if (result.version.empty()) throw PublishError("the version text is empty");

    SamplePackage next = current.app;
    next.version = result.version;
    const std::string bytes = request.cabFile.empty() ? SampleCabinet(next, request.revision)
                                                      : ReadCabinetFile(request.cabFile);
    if (!request.cabFile.empty()) CheckPublishedCabinet(bytes, current.app.sysid);
    // A name of its own per revision: the old file keeps serving downloads
    // that started before.
    const fs::path old(current.package);
    const std::string file = BaseName(old.stem().string()) + "_r" + std::to_string(request.revision) + ".cab";
    result.package = (old.parent_path() / file).generic_string();
    const fs::path target = fs::path(assets) / result.package;
    WriteWhole(target, bytes);

    // The announcement keeps its form: a URL stays a URL, a file name a file name.
    const std::string install = current.install == current.package ? result.package : file;
    try {
        const PackageSignature signed_ =
            SignPackage(current.app.id, current.app.sysid, request.revision, result.version, bytes, key);
        db.Prepare("UPDATE apps SET revision = ?2, version = ?3, package = ?4, install = ?5, sha256 = ?6, "
                   "package_size = ?7, package_key = ?8, package_sig = ?9 WHERE id = ?1")
            .BindAll(current.app.id, request.revision, result.version, result.package, install, signed_.sha256,
                     signed_.size, signed_.keyId, signed_.signature)
            .Run();
        MarkCatalogChanged(db);
        tx.Commit();
    } catch (...) {
        // Nothing points at the new file: it goes with the failed change.
        std::error_code ec;
        fs::remove(target, ec);
        throw;
    }
    return result;
}

}  // namespace catalogd
