#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/File.h"

// Where the body of one answer goes, for every transfer of the tree (the
// request queue's jobs, downloads that resume, the HTML viewer's pages): into
// memory up to a limit, or into a file through the device's files role.
//
// A file's bytes are gathered into a write buffer so that pieces of 2 KiB do
// not cost a system call (and a look at the device's free room) each. The
// first piece reaches the disk at once: a device without room fails the
// download early, and the "download" crash point there leaves what a kill in
// the middle of a download leaves. After that the buffer is written when it
// is full or a second old, so that a kill on a slow line loses no more than
// a second of its work.
namespace platform {

class BodySink {
public:
    using Progress = std::function<void(double fraction)>;

    BodySink() = default;
    ~BodySink() { Close(); }
    BodySink(const BodySink&) = delete;
    BodySink& operator=(const BodySink&) = delete;

    // Holds the body in memory. False when `announced` (the answer's length,
    // -1 when unknown) is more than `limit`; a body that grows past it later
    // is refused at that piece.
    bool IntoMemory(int64_t announced, std::size_t limit);
    // Writes the body to a host file, from its start or after what the file
    // holds. False when the file cannot be opened.
    bool IntoFile(const std::filesystem::path& file, bool append);
    // After each piece, `report` gets (`before` + bytes taken) / `total`,
    // capped at 1.0; nothing when `total` is not positive.
    void ReportProgress(int64_t before, int64_t total, Progress report);

    // False when the piece does not fit in memory, or cannot be written.
    bool Take(const char* data, std::size_t size);
    // Writes what is buffered and closes the file; false when any byte did
    // not reach the disk (a full disk shows at the last write as often as at
    // any other). Memory: true.
    bool Close();

    std::size_t Received() const { return received; }
    // The bytes held in memory; the vector may be longer than Received().
    std::vector<char> TakeBody();

private:
    bool StoreInMemory(const char* data, std::size_t size);
    bool Flush();

    std::size_t received = 0;
    // Memory.
    std::vector<char> body;
    std::size_t limit = 0;
    bool lengthKnown = false;
    // File.
    std::optional<File> file;
    std::string pending;  // taken, not yet written
    std::chrono::steady_clock::time_point lastFlush;
    bool writeFailed = false;
    // Progress.
    int64_t before = 0, total = 0;
    Progress report;
};

}  // namespace platform
