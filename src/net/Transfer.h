#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/RetrySchedule.h"
#include "platform/http/HttpClient.h"

// How one job of the request queue moves its bytes. The queue picks the way
// when the job is added (into memory, into a file, into a file that survives
// a broken line, or a picture the device keeps) and runs it on the job's
// worker; the job itself only reads the result.

// Why a job is to end early.
enum class StopRequest : uint8_t {
    None,
    Cancel,     // the user called it off: nothing of it is wanted
    Interrupt,  // the store is closing: a download keeps what arrived
};

// What a transfer sees of its job, from the worker thread.
class TransferControl {
public:
    virtual std::string Url() const = 0;
    virtual StopRequest Stop() const = 0;
    bool StopRequested() const { return Stop() != StopRequest::None; }
    // Fraction of the body received, 0.0 to 1.0; only when its length is known.
    virtual void ReportProgress(double fraction) = 0;
    // A download starts waiting for the line to come back (true), or tries
    // again (false).
    virtual void ReportLinkWait(bool waiting) = 0;

protected:
    ~TransferControl() = default;
};

struct TransferSettings {
    platform::HttpOptions options;  // timeouts of the line
    std::size_t memoryLimit = 0;    // the largest body held in memory
    RetryPolicy retry;              // resumable downloads on a broken line
};

// What the job keeps of its transfer once it ended.
struct TransferResult {
    bool ok = false;
    std::vector<char> body;  // memory transfers; may be longer than `received`
    std::size_t received = 0;
    int status = 0;  // HTTP status, 0 without an answer
    // A file transfer whose bytes could not be stored (no room, not
    // writable), as against a line that failed.
    bool writeFailed = false;
    // A whole download its check refused: the file is gone.
    bool integrityFailed = false;
    // A picture that came from the device's kept copy.
    bool fromStore = false;
};

class Transfer {
public:
    virtual ~Transfer() = default;
    // Runs on the job's worker thread.
    virtual TransferResult Run(TransferControl& job, const TransferSettings& settings) = 0;
};
