#pragma once
#include <functional>
#include <mutex>
#include <thread>

#include "base/shared_ptr.h"
#include "net/NetServices.h"

namespace apps {

// What the queue that starts an install or uninstall job hears from the
// job's worker: `ended` under the UI lock once the outcome is known, right
// after the job's own Done event; `gone` as the worker's last act, with no
// lock held and the job possibly destroyed.
template <class Job>
struct JobOwner {
    std::function<void(Job*, bool)> ended;
    std::function<void()> gone;
};

// The last steps of a job's worker thread. The queue may drop its reference
// in `ended`; the job keeps itself alive until its handlers have run.
template <class Job>
void EndJob(Job* job, bool ok, JobOwner<Job> owner) {
    {
        std::lock_guard ui(net::UILock());
        shared_ptr<Job> self(job);
        job->worker.detach();
        job->Done.Invoke(job, ok);
        if (owner.ended) owner.ended(job, ok);
        self = nullptr;
    }
    if (owner.gone) owner.gone();
}

}  // namespace apps
