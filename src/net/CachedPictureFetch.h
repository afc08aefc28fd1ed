#pragma once
#include <string>

#include "net/Transfer.h"

namespace net {
class PictureStore;
}

// A picture job while the device keeps pictures (PictureStore): a fresh copy
// is handed over without a request; an older one is sent back as its
// validators, and a "not modified" answer hands the copy over with no body on
// the line; a new picture is kept for next time. When the line fails, an
// older copy is still better than no picture.
class CachedPictureFetch : public Transfer {
public:
    explicit CachedPictureFetch(net::PictureStore& store) : store(store) {}

    // Ok when the job has its picture (or, as any memory job, the answer the
    // server gave).
    TransferResult Run(TransferControl& job, const TransferSettings& settings) override;

private:
    static TransferResult Deliver(const std::string& bytes);

    net::PictureStore& store;
};
