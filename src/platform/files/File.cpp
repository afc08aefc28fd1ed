#include "platform/files/File.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/Files.h"

namespace platform {

std::optional<File> File::Open(std::u16string_view devicePath, Mode mode) {
    auto host = HostPathOf(devicePath);
    if (!host) return std::nullopt;
    return OpenHost(*host, mode);
}

std::optional<File> File::OpenHost(const std::filesystem::path& hostPath, Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read: flags |= O_RDONLY; break;
        case Mode::Write: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
        case Mode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    int fd;
    do fd = ::open(hostPath.c_str(), flags, 0644);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Reading never fills a disk; writes are checked against the device's
    // storage as they come.
    return File(fd, mode == Mode::Read ? std::filesystem::path() : hostPath);
}

File::File(File&& other) noexcept : fd(other.fd), writtenHost(std::move(other.writtenHost)) { other.fd = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd = other.fd;
        writtenHost = std::move(other.writtenHost);
        other.fd = -1;
    }
    return *this;
}

File::~File() { Close(); }

bool File::Read(void* buffer, size_t size, size_t& got) {
    got = 0;
    if (fd < 0) return false;
    ssize_t n;
    do n = ::read(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    if (n < 0) return false;
    got = static_cast<size_t>(n);
    return true;
}

bool File::Write(const void* data, size_t size) {
    if (fd < 0) return false;
    if (!writtenHost.empty() && !RoomFor(writtenHost, size)) {
        errno = ENOSPC;
        return false;
    }
    auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool File::Sync() { return fd >= 0 && ::fsync(fd) == 0; }

std::optional<uint64_t> File::Size() const {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

bool File::Close() {
    if (fd < 0) return false;
    int rc = ::close(fd);
    fd = -1;
    return rc == 0;
}

}  // namespace platform
