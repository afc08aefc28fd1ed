#include "support/CatalogServer.h"
#include "support/ProgramRun.h"
#include "support/StoreRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "base/Text.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCaches = fs::path(TOBRIX_BINARY_DIR) / "tests" / "apps";

// Which catalogd seeded the cache: a rebuilt one seeds again.
std::string Stamp() {
    std::error_code ec;
    auto time = fs::last_write_time(CATALOGD_PATH, ec);
    return std::to_string(fs::file_size(CATALOGD_PATH, ec)) + ":" +
           std::to_string(time.time_since_epoch().count());
}

}  // namespace

CatalogServer::CatalogServer(int apps, std::vector<std::string> serveArgs)
    : serveArgs(std::move(serveArgs)),
      apps(apps),
      cache(kCaches / (apps == kSuiteApps ? "catalog-seed" : "catalog-seed-" + std::to_string(apps))) {
    // A test may run a catalog of its own beside the suite's.
    work = ScratchPath("tobrix-catalog");
    fs::remove_all(work);
    fs::create_directories(work);
    assets = cache / "files";
    if (Seed()) Serve();
}

CatalogServer::~CatalogServer() {
    Stop();
    std::error_code ec;
    fs::remove_all(work, ec);
}

void CatalogServer::Stop(int signal) {
    if (!process) return;
    ::kill(process->Id(), signal);
    process->Wait();
    process.reset();
}

bool CatalogServer::Restart(std::vector<std::string> args) {
    Stop();
    serveArgs = std::move(args);
    return port > 0 && Serve();
}

std::u16string CatalogServer::BaseUrl() const {
    return text::Utf8ToUtf16("http://127.0.0.1:" + std::to_string(port) + "/");
}

int CatalogServer::Requests(const std::string& method) const {
    // One line per answered request: what was asked (the method, "file
    // PATH"), the code, the time taken; other lines are the service's notes.
    std::istringstream log(ReadAll(work / "catalogd.log"));
    int count = 0;
    for (std::string line; std::getline(log, line);)
        count += line.ends_with(" ms") && (method.empty() || line.rfind(method + " ", 0) == 0);
    return count;
}

bool CatalogServer::Seed() {
    fs::create_directories(cache);
    int lock = ::open((cache / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        error = "cannot lock the catalog cache";
        return false;
    }
    bool ok = true;
    if (ReadAll(cache / "stamp") != Stamp()) {
        fs::remove(cache / "catalog.db");
        ok = RunHost(CATALOGD_PATH, {"seed", "--db", (cache / "catalog.db").string(), "--assets", assets.string(),
                                     "--apps", std::to_string(apps)}) == 0;
        if (ok) std::ofstream(cache / "stamp") << Stamp();
        else error = "catalogd seed failed";
    }
    std::error_code ec;
    if (ok) fs::copy_file(cache / "catalog.db", work / "catalog.db", ec);
    ::close(lock);
    if (ec) error = "cannot copy the catalog: " + ec.message();
    return ok && !ec;
}

bool CatalogServer::Serve() {
    platform::SpawnOptions options;
    options.stderrFile = work / "catalogd.log";
    // A restart keeps the port, so that a client that knows the address finds it again.
    std::vector<std::string> args = {"serve", "--db", (work / "catalog.db").string(), "--listen",
                                      "127.0.0.1:" + std::to_string(port)};
    args.insert(args.end(), serveArgs.begin(), serveArgs.end());
    process = platform::SpawnHost(CATALOGD_PATH, args, options, &error);
    if (!process) return false;
    const std::string marker = "http://127.0.0.1:";
    for (int i = 0; i < 1000; ++i) {
        std::string log = ReadAll(work / "catalogd.log");
        if (log.find("cannot listen") != std::string::npos) break;
        auto at = log.find(marker);
        if (at != std::string::npos && log.find('/', at + marker.size()) != std::string::npos) {
            port = std::stoi(log.substr(at + marker.size()));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error = "catalogd did not start: " + ReadAll(work / "catalogd.log");
    return false;
}
