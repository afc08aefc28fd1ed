#pragma once
#include <cstddef>
#include <string>

#include "net/HttpRequest.h"

// The worker's side of a picture job while the device keeps pictures
// (PictureStore): a fresh copy is handed over without a request; an older
// one is sent back as its validators, and a "not modified" answer hands the
// copy over with no body on the line; a new picture is kept for next time.
// When the line fails, an older copy is still better than no picture.
class CachedPictureFetch {
public:
    explicit CachedPictureFetch(HttpRequest& job) : job(job) {}

    // True when the job has its picture (or, as any memory job, the answer
    // the server gave).
    bool Run(const platform::HttpOptions& options, std::size_t memoryLimit);

private:
    bool Deliver(const std::string& bytes);

    HttpRequest& job;
};
