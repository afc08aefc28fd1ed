#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "net/Transfer.h"

// A file download that survives a broken line (InetManager::AddResumable):
// what arrived is kept beside the target and later tries ask only for the
// rest; the file reaches its target name only when whole and, when a check
// is given, only when the check accepts it.
struct ResumeOptions {
    std::string owner;  // kept with the partial file, so that a later run knows whose it is
    // Called on the worker with the whole file's size and SHA-256 (lowercase
    // hexadecimal) before it takes its target name; false refuses the file,
    // which is then deleted. Empty: every whole file is taken. It runs on a
    // worker thread, so it holds its own copies of what it compares.
    std::function<bool(int64_t size, const std::string& sha256)> accept;
};

// Tries, pauses while the line is away, tries again from where the bytes
// held end, and hands over the file only when it is whole and matches its
// check. A cancel deletes what arrived; an interrupt keeps it for the next
// run.
class ResumableDownload : public Transfer {
public:
    // An empty target (a device path outside the device) fails the job.
    ResumableDownload(std::filesystem::path target, ResumeOptions options)
        : target(std::move(target)), options(std::move(options)) {}

    TransferResult Run(TransferControl& job, const TransferSettings& settings) override;

private:
    class Sink;
    struct Try {
        platform::HttpOutcome outcome = platform::HttpOutcome::Failed;
        bool whole = false;  // every byte of the file is held
        bool final = false;  // no use trying again (error answer, full device)
    };
    Try TryOnce(TransferControl& job, const platform::HttpOptions& options, TransferResult& result);
    // Verifies and moves the whole file to its target.
    bool Deliver(TransferResult& result);
    // Sleeps, waking early for a stop; false when the job was stopped.
    static bool Pause(const TransferControl& job, std::chrono::milliseconds pause);
    // After a failure: keep the bytes for a later try only when they can be
    // proved to belong to the file.
    void KeepOrDrop(const TransferResult& result);

    const std::filesystem::path target;
    const ResumeOptions options;
};
