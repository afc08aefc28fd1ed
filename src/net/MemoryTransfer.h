#pragma once
#include <cstddef>

#include "net/Transfer.h"

// A GET whose body is held in memory (API answers, pictures), up to the
// queue's memory limit: an answer of unknown length must not grow without
// bound. A cancel ends it with success and what arrived.
class MemoryTransfer : public Transfer {
public:
    TransferResult Run(TransferControl& job, const TransferSettings& settings) override;

    // One GET with the given options; `head` gets what the answer's headers
    // said and `outcome` how the transfer itself ended (for a kept
    // picture's check).
    static TransferResult Fetch(TransferControl& job, const platform::HttpOptions& options, std::size_t memoryLimit,
                                platform::HttpHead& head, platform::HttpOutcome& outcome);
};
