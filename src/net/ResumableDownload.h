#pragma once
#include "net/HttpRequest.h"
#include "net/RetrySchedule.h"

namespace platform {
struct HttpOptions;
}

// The worker's side of a resumable download job: tries, pauses while the line
// is away, tries again from where the bytes held end, and hands over the file
// only when it is whole and matches its digest. Runs on the job's worker.
class ResumableDownload {
public:
    ResumableDownload(HttpRequest& job, const RetryPolicy& policy) : job(job), policy(policy) {}

    // True when the whole, verified file is at the job's target.
    bool Run(const platform::HttpOptions& options);

private:
    class Sink;
    struct Try {
        platform::HttpOutcome outcome = platform::HttpOutcome::Failed;
        bool whole = false;     // every byte of the file is held
        bool final = false;     // no use trying again (error answer, full device)
    };
    Try TryOnce(const platform::HttpOptions& options);
    // Verifies and moves the whole file to its target.
    bool Deliver();
    // Sleeps, waking early for a cancel; false when the job was stopped.
    bool Pause(std::chrono::milliseconds pause);
    // After a failure: keep the bytes for a later try only when they can be
    // proved to belong to the file.
    void KeepOrDrop();

    HttpRequest& job;
    RetryPolicy policy;
};
