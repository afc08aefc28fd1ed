#include "platform/http/BodySink.h"

#include <algorithm>

#include "platform/http/HttpClient.h"
#include "platform/process/CrashPoint.h"

namespace platform {
namespace {

// Bodies of unknown length start here and double when less than this is
// left free.
constexpr std::size_t kInitialBuffer = 20480;
constexpr std::size_t kWriteBuffer = 1 << 16;
constexpr std::chrono::seconds kFlushEvery{1};

}  // namespace

bool BodySink::IntoMemory(int64_t announced, std::size_t most) {
    limit = most;
    lengthKnown = announced > 0;
    const std::size_t length = lengthKnown ? static_cast<std::size_t>(announced) : 0;
    if (length > limit) return false;
    // A known length is allocated once, with room for one more piece so
    // that a server sending more than announced cannot overrun it.
    body.resize(lengthKnown ? length + kHttpPieceSize + 1 : kInitialBuffer);
    return true;
}

bool BodySink::IntoFile(const std::filesystem::path& path, bool append) {
    if (path.empty()) return false;
    file = File::OpenHost(path, append ? File::Mode::Append : File::Mode::Write);
    if (!file) return false;
    pending.reserve(kWriteBuffer);
    return true;
}

void BodySink::ReportProgress(int64_t bytesBefore, int64_t bytesInAll, Progress reporter) {
    before = bytesBefore;
    total = bytesInAll;
    report = std::move(reporter);
}

bool BodySink::Take(const char* data, std::size_t size) {
    const bool first = received == 0;
    if (file) {
        pending.append(data, size);
        const auto now = std::chrono::steady_clock::now();
        if (first || pending.size() >= kWriteBuffer || now - lastFlush >= kFlushEvery) {
            lastFlush = now;
            if (!Flush()) return false;
        }
        if (first) CrashPoint("download");
    } else if (!StoreInMemory(data, size)) {
        return false;
    }
    received += size;
    if (total > 0 && report) report(std::min(1.0, double(before + int64_t(received)) / double(total)));
    return true;
}

bool BodySink::StoreInMemory(const char* data, std::size_t size) {
    if (received + size > limit) return false;
    if (received + size > body.size()) body.resize(std::min(std::max(body.size() * 2, received + size), limit));
    std::copy(data, data + size, body.data() + received);
    if (!lengthKnown && body.size() - received - size < kInitialBuffer && body.size() < limit)
        body.resize(std::min(body.size() * 2, limit));
    return true;
}

bool BodySink::Flush() {
    if (!pending.empty() && !file->Write(pending)) writeFailed = true;
    pending.clear();
    return !writeFailed;
}

bool BodySink::Close() {
    if (!file) return !writeFailed;
    const bool flushed = Flush();
    const bool closed = file->Close();
    file.reset();
    if (!flushed || !closed) writeFailed = true;
    return !writeFailed;
}

std::vector<char> BodySink::TakeBody() {
    std::vector<char> taken;
    taken.swap(body);
    return taken;
}

}  // namespace platform
