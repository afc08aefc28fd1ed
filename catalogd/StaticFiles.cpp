#include "StaticFiles.h"

#include <fcntl.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace catalogd {
namespace {

// Files up to this size are answered from memory; larger ones stream.
constexpr off_t kInMemoryLimit = 256 * 1024;

const char* ContentType(std::string_view path) {
    if (path.ends_with(".png")) return "image/png";
    if (path.ends_with(".jpg") || path.ends_with(".jpeg")) return "image/jpeg";
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

}  // namespace

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

bool SendFile(const std::string& root, std::string_view relative, httplib::Response& res,
              std::string_view downloadName) {
    if (root.empty() || !IsSafeRelativePath(relative)) return false;
    std::string full = root + "/" + std::string(relative);
    auto file = std::make_shared<Fd>(open(full.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (file->fd < 0 || fstat(file->fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const char* type = ContentType(relative);
    if (st.st_size <= kInMemoryLimit) {
        std::string body;
        if (!ReadAll(file->fd, st.st_size, body)) return false;
        res.set_content(std::move(body), type);
    } else {
        res.set_content_provider(
            static_cast<size_t>(st.st_size), type,
            [file](size_t offset, size_t length, httplib::DataSink& sink) {
                char buf[64 * 1024];
                size_t want = length < sizeof buf ? length : sizeof buf;
                ssize_t n = pread(file->fd, buf, want, static_cast<off_t>(offset));
                if (n <= 0) return false;
                return sink.write(buf, static_cast<size_t>(n));
            });
    }
    if (!downloadName.empty()) {
        std::string name;
        for (char c : downloadName)
            if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) name.push_back(c);
        res.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
    }
    return true;
}

}  // namespace catalogd
