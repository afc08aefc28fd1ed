#include "StaticFiles.h"

#include <fcntl.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <thread>

namespace catalogd {
namespace {

// Files up to this size are answered from memory; larger ones stream.
constexpr off_t kInMemoryLimit = 256 * 1024;

const char* ContentType(std::string_view path) {
    if (path.ends_with(".png")) return "image/png";
    if (path.ends_with(".jpg") || path.ends_with(".jpeg")) return "image/jpeg";
    if (path.ends_with(".gif")) return "image/gif";
    if (path.ends_with(".cab")) return "application/vnd.ms-cab-compressed";
    if (path.ends_with(".xml")) return "text/xml; charset=utf-8";
    return "application/octet-stream";
}

struct Fd {
    int fd;
    explicit Fd(int fd) : fd(fd) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

bool ReadAll(int fd, off_t size, std::string& out) {
    out.resize(static_cast<size_t>(size));
    off_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, out.data() + done, static_cast<size_t>(size - done), done);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// Hands a paced answer its bytes as they fall due, in steps of a tenth of a
// second's worth so that the line stays even.
class Pacer {
public:
    Pacer(int64_t bytesPerSecond, const std::atomic<bool>* stop)
        : rate(bytesPerSecond), stop(stop), start(std::chrono::steady_clock::now()) {}

    // How many of `want` bytes may go now; 0 when the answer must end.
    size_t Allow(size_t want) {
        using Clock = std::chrono::steady_clock;
        const int64_t step = std::clamp<int64_t>(rate / 10, 1, static_cast<int64_t>(want));
        for (;;) {
            if (stop && stop->load()) return 0;
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            const int64_t due = static_cast<int64_t>(elapsed * static_cast<double>(rate)) - sent;
            if (due > 0) {
                const int64_t n = std::min(due, step);
                sent += n;
                return static_cast<size_t>(n);
            }
            // Short naps: a stop is noticed soon even on a very slow line.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

private:
    const int64_t rate;
    const std::atomic<bool>* stop;
    const std::chrono::steady_clock::time_point start;
    int64_t sent = 0;
};

// A strong validator that changes whenever the file is replaced or rewritten.
std::string EntityTag(const struct stat& st) {
    char tag[80];
    std::snprintf(tag, sizeof tag, "\"%llx-%llx-%llx\"", static_cast<unsigned long long>(st.st_size),
                  static_cast<unsigned long long>(st.st_mtim.tv_sec),
                  static_cast<unsigned long long>(st.st_mtim.tv_nsec));
    return tag;
}

std::string HttpDate(time_t t) {
    struct tm tm {};
    gmtime_r(&t, &tm);
    char date[64];
    std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S GMT", &tm);
    return date;
}

// "Sun, 06 Nov 1994 08:49:37 GMT", the one form a client should send back;
// nullopt for anything else, which then asks for the whole file.
std::optional<time_t> ParseHttpDate(const std::string& text) {
    struct tm tm {};
    const char* end = strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &tm);
    if (!end || *end != '\0') return std::nullopt;
    return timegm(&tm);
}

// Whether an If-None-Match list ("\"a\", W/\"b\"" or "*") names `etag`;
// weak tags compare by their value, as a GET allows.
bool NamesTag(std::string_view list, std::string_view etag) {
    while (!list.empty()) {
        const size_t comma = list.find(',');
        std::string_view tag = list.substr(0, comma);
        while (!tag.empty() && (tag.front() == ' ' || tag.front() == '\t')) tag.remove_prefix(1);
        while (!tag.empty() && (tag.back() == ' ' || tag.back() == '\t')) tag.remove_suffix(1);
        if (tag.starts_with("W/")) tag.remove_prefix(2);
        if (tag == "*" || tag == etag) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

// The client's copy is the file as it is now. A date the server has not
// reached yet proves nothing and is ignored.
bool StillCurrent(const httplib::Request& req, const std::string& etag, time_t modified) {
    if (req.method != "GET" && req.method != "HEAD") return false;
    if (req.has_header("If-None-Match")) return NamesTag(req.get_header_value("If-None-Match"), etag);
    if (!req.has_header("If-Modified-Since")) return false;
    const std::optional<time_t> since = ParseHttpDate(req.get_header_value("If-Modified-Since"));
    return since && *since <= time(nullptr) && modified <= *since;
}

// Opens `relative` below `root` one name at a time, following no symbolic
// link on the way: a link planted in the files folder (or in any folder
// below it) must not serve what lies outside, such as the store itself.
// The file is opened without blocking, so that a planted pipe cannot hold
// the worker; the caller serves regular files only.
int OpenBelow(const std::string& root, std::string_view relative) {
    int dir = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (dir >= 0) {
        const size_t slash = relative.find('/');
        const std::string name(relative.substr(0, slash));
        const bool last = slash == std::string_view::npos;
        const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (last ? O_NONBLOCK : O_DIRECTORY);
        const int next = openat(dir, name.c_str(), flags);
        close(dir);
        if (last) return next;
        dir = next;
        relative.remove_prefix(slash + 1);
    }
    return -1;
}

}  // namespace

bool IsPicturePath(std::string_view path) { return std::string_view(ContentType(path)).starts_with("image/"); }

bool IsSafeRelativePath(std::string_view path) {
    if (path.empty()) return false;
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7F || c == '\\') return false;
    while (!path.empty()) {
        size_t slash = path.find('/');
        std::string_view part = path.substr(0, slash);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
        if (path.empty()) return false;
    }
    return true;
}

bool SendFile(const std::string& root, std::string_view relative, const httplib::Request& req,
              httplib::Response& res, const SendOptions& options) {
    if (root.empty() || !IsSafeRelativePath(relative)) return false;
    auto file = std::make_shared<Fd>(OpenBelow(root, relative));
    struct stat st {};
    if (file->fd < 0 || fstat(file->fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const char* type = ContentType(relative);
    const std::string etag = EntityTag(st), modified = HttpDate(st.st_mtim.tv_sec);
    res.set_header("ETag", etag);
    res.set_header("Last-Modified", modified);
    if (!options.cacheControl.empty()) res.set_header("Cache-Control", std::string(options.cacheControl));
    if (StillCurrent(req, etag, st.st_mtim.tv_sec)) {
        res.status = 304;
        // Whatever range was asked for, the copy held is whole.
        const_cast<httplib::Request&>(req).ranges.clear();
        return true;
    }
    res.set_header("Accept-Ranges", "bytes");
    if (!req.ranges.empty()) {
        const std::string ifRange = req.get_header_value("If-Range");
        if (req.ranges.size() > 1) {
            // Many ranges would be answered as many copies assembled in
            // memory (a few thousand ranges of a small picture make
            // megabytes). No client of ours asks for more than one: the
            // whole file, once, is a correct answer to such a request.
            const_cast<httplib::Request&>(req).ranges.clear();
        } else if (!ifRange.empty() && ifRange != etag && ifRange != modified) {
            // The client holds a part of another version: it gets this one
            // whole. The HTTP layer applies the parsed ranges to whatever the
            // handler answers, so the request's own ranges go.
            const_cast<httplib::Request&>(req).ranges.clear();
        } else if (req.ranges.size() == 1 && req.ranges.front().first >= static_cast<ssize_t>(st.st_size)) {
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(st.st_size));
            res.set_content("", "text/plain");
            return true;
        }
    }
    std::shared_ptr<Pacer> pacer;
    if (options.bytesPerSecond > 0) pacer = std::make_shared<Pacer>(options.bytesPerSecond, options.stop);
    if (st.st_size <= kInMemoryLimit && !pacer) {
        std::string body;
        if (!ReadAll(file->fd, st.st_size, body)) return false;
        res.set_content(std::move(body), type);
    } else {
        res.set_content_provider(
            static_cast<size_t>(st.st_size), type,
            [file, pacer](size_t offset, size_t length, httplib::DataSink& sink) {
                char buf[64 * 1024];
                size_t want = length < sizeof buf ? length : sizeof buf;
                // Ending here drops the connection: the client sees a body
                // shorter than announced, as when a server goes away.
                if (pacer && (want = pacer->Allow(want)) == 0) return false;
                ssize_t n = pread(file->fd, buf, want, static_cast<off_t>(offset));
                if (n <= 0) return false;
                return sink.write(buf, static_cast<size_t>(n));
            });
    }
    if (!options.downloadName.empty()) {
        std::string name;
        for (char c : options.downloadName)
            if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) name.push_back(c);
        res.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
    }
    return true;
}

}  // namespace catalogd
