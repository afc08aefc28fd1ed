#include "net/CachedPictureFetch.h"

#include <ctime>
#include <optional>

#include "base/Text.h"
#include "net/PictureStore.h"

bool CachedPictureFetch::Run(const platform::HttpOptions& options, std::size_t memoryLimit) {
    net::PictureStore& store = net::PictureStore::Instance();
    const std::string url = U8(job.url);
    const std::optional<net::StoredPicture> held = store.Find(url);
    if (held && held->Fresh(static_cast<int64_t>(std::time(nullptr)))) return Deliver(held->bytes);

    platform::HttpOptions asked = options;
    if (held) {
        asked.ifNoneMatch = held->etag;
        asked.ifModifiedSince = held->lastModified;
    }
    platform::HttpOutcome outcome = platform::HttpOutcome::Failed;
    const bool ok = job.Fetch(asked, memoryLimit, outcome);
    const bool whole = ok && outcome == platform::HttpOutcome::Complete && !job.StopRequested();
    if (held && whole && job.status == 304) {
        store.Confirm(url, *held, job.head);
        return Deliver(held->bytes);
    }
    if (whole && job.status == 200) {
        store.Keep(url, std::string(job.Data() ? job.Data() : "", job.Size()), job.head);
    } else if (held && job.status >= 400) {
        // Gone or refused now: the copy is of nothing the catalog offers.
        store.Forget(url);
    } else if (held && !whole && !job.StopRequested()) {
        return Deliver(held->bytes);
    }
    return ok;
}

bool CachedPictureFetch::Deliver(const std::string& bytes) {
    job.body.assign(bytes.begin(), bytes.end());
    job.received = bytes.size();
    job.contentLength = static_cast<int64_t>(bytes.size());
    job.status = 200;
    job.fromStore = true;
    return true;
}
