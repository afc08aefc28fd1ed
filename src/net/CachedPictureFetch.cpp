#include "net/CachedPictureFetch.h"

#include <ctime>
#include <optional>

#include "net/MemoryTransfer.h"
#include "net/PictureStore.h"

TransferResult CachedPictureFetch::Run(TransferControl& job, const TransferSettings& settings) {
    const std::string url = job.Url();
    const std::optional<net::StoredPicture> held = store.Find(url);
    if (held && held->Fresh(static_cast<int64_t>(std::time(nullptr)))) return Deliver(held->bytes);

    platform::HttpOptions asked = settings.options;
    if (held) {
        asked.ifNoneMatch = held->etag;
        asked.ifModifiedSince = held->lastModified;
    }
    platform::HttpHead head;
    platform::HttpOutcome outcome = platform::HttpOutcome::Failed;
    TransferResult fetched = MemoryTransfer::Fetch(job, asked, settings.memoryLimit, head, outcome);
    const bool whole = fetched.ok && outcome == platform::HttpOutcome::Complete && !job.StopRequested();
    if (held && whole && fetched.status == 304) {
        store.Confirm(url, *held, head);
        return Deliver(held->bytes);
    }
    if (whole && fetched.status == 200) {
        store.Keep(url, std::string(fetched.body.begin(), fetched.body.begin() + fetched.received), head);
    } else if (held && fetched.status >= 400) {
        // Gone or refused now: the copy is of nothing the catalog offers.
        store.Forget(url);
    } else if (held && !whole && !job.StopRequested()) {
        return Deliver(held->bytes);
    }
    return fetched;
}

TransferResult CachedPictureFetch::Deliver(const std::string& bytes) {
    TransferResult result;
    result.ok = true;
    result.body.assign(bytes.begin(), bytes.end());
    result.received = bytes.size();
    result.status = 200;
    result.fromStore = true;
    return result;
}
