#include "net/ConnectionManager.h"

#include "base/Text.h"
#include "net/ApiUrl.h"
#include "net/NetServices.h"
#include "platform/http/HttpClient.h"

namespace {

// Asked for when no catalog address is configured: any address of the
// internet picks the same network.
constexpr const char* kFallbackSite = "http://localhost/";

bool Settled(uint32_t status) {
    return status == platform::kConnectionConnected || (status & platform::kConnectionDisconnected) != 0;
}

}  // namespace

ConnectionManager::~ConnectionManager() {
    WaitForAttempt();
    std::lock_guard<std::mutex> guard(lock);
    if (handle) platform::ReleaseConnection(handle, true);
    handle = 0;
}

void ConnectionManager::EnsureConnection() {
    // The event is fired under the UI lock, as every event is: the connection
    // thread fires it too, and the delegates' counts are guarded by nothing
    // else. The UI lock comes first, the lock below second.
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    bool alive = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        // A running attempt fires the event for every job queued meanwhile:
        // it clears the flag and fires in one stretch under the UI lock, which
        // this caller holds, so a job queued now is seen by that firing.
        if (attempting) return;
        if (handle) {
            lastStatus = platform::ConnectionStatus(handle);
            if (lastStatus == platform::kConnectionConnected) {
                alive = true;
            } else {
                platform::ReleaseConnection(handle, false);
                handle = 0;
                // Connections made over the lost link are of no use on the next.
                platform::CloseIdleConnections();
            }
        }
        if (!alive) {
            // An attempt that already ended: it left the UI lock, which this
            // caller holds, so it needs no lock any more and the join is short.
            if (thread.joinable()) thread.join();
            attempting = true;
            thread = std::thread(&ConnectionManager::ConnectionThread, this);
        }
    }
    if (alive) Connected.Invoke();
}

void ConnectionManager::ConnectionThread() {
    uint32_t status = platform::kConnectionFailed;
    {
        std::unique_lock<std::mutex> guard(lock);
        std::string site = U8(CatalogBaseUrl());
        if (site.empty()) site = kFallbackSite;
        platform::ConnectionRequest request;
        if (platform::MapUrlToNetwork(site, request.destination)) {
            handle = platform::EstablishConnection(request);
            status = handle ? platform::ConnectionStatus(handle) : platform::kConnectionFailed;
            while (!Settled(status)) {
                // Polling with the lock released keeps IsConnected responsive.
                guard.unlock();
                std::this_thread::sleep_for(pollInterval);
                guard.lock();
                status = platform::ConnectionStatus(handle);
            }
        }
    }
    // Ending the attempt and firing happen in one stretch under the UI lock:
    // a job queued before it is started by this firing, one queued after it
    // finds no attempt running and asks again.
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    {
        std::lock_guard<std::mutex> guard(lock);
        lastStatus = status;
        attempting = false;
    }
    Connected.Invoke();
}

bool ConnectionManager::IsConnected() {
    std::lock_guard<std::mutex> guard(lock);
    return lastStatus == platform::kConnectionConnected;
}

void ConnectionManager::WaitForAttempt() {
    std::thread finished;
    {
        std::lock_guard<std::mutex> guard(lock);
        finished = std::move(thread);
    }
    if (finished.joinable()) finished.join();
}

void ConnectionManager::SetPollInterval(std::chrono::milliseconds interval) {
    std::lock_guard<std::mutex> guard(lock);
    pollInterval = interval;
}
