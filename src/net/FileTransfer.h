#pragma once
#include <filesystem>

#include "net/Transfer.h"

// A GET whose body goes to a host file, which exists afterwards only when
// the body arrived whole: a failed or cancelled transfer leaves no file, and
// an error answer removes what the target held.
class FileTransfer : public Transfer {
public:
    // An empty target (a device path outside the device) fails the job.
    explicit FileTransfer(std::filesystem::path target) : target(std::move(target)) {}
    TransferResult Run(TransferControl& job, const TransferSettings& settings) override;

private:
    const std::filesystem::path target;
};
