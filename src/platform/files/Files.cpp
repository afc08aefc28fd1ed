#include "platform/files/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <limits>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/File.h"
#include "platform/process/CrashPoint.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool IsRoot(const fs::path& host) {
    std::error_code ec;
    return fs::equivalent(host, CurrentDevice().Root(), ec);
}

fs::file_status Status(std::u16string_view path) {
    auto host = HostPathOf(path);
    if (!host) return fs::file_status(fs::file_type::not_found);
    std::error_code ec;
    return fs::symlink_status(*host, ec);
}

bool WriteAll(int fd, std::string_view bytes) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;  // no progress: treat it as a full disk
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// True when `host` lies on the device's own storage: one of the root's
// folders or anything in them, storage cards aside.
bool OnOwnStorage(const DeviceRoot& device, const fs::path& host) {
    const fs::path rel = fs::absolute(host).lexically_normal().lexically_relative(device.Root().lexically_normal());
    auto it = rel.begin();
    if (rel.empty() || it == rel.end() || *it == ".." || *it == ".") return false;
    const std::string top = it->string();
    std::error_code ec;
    // A file of the root itself is the emulator's own bookkeeping.
    if (++it == rel.end() && !fs::is_directory(host, ec)) return false;
    for (const auto& card : device.Info().storageCards)
        if (text::EqualsIgnoreCase(card, top)) return false;
    return true;
}

// What a file or a folder with everything in it takes.
uint64_t BytesIn(const fs::path& host) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(host, ec))) {
        const auto size = fs::file_size(host, ec);
        return ec ? 0 : size;
    }
    uint64_t total = 0;
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(host, options, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fec;
        if (fs::is_regular_file(it->symlink_status(fec))) total += it->file_size(fec);
    }
    return total;
}

uint64_t UsedBytes(const DeviceRoot& device) {
    uint64_t used = 0;
    std::error_code ec;
    for (fs::directory_iterator top(device.Root(), ec), end; !ec && top != end; top.increment(ec)) {
        std::error_code sec;
        if (fs::is_directory(top->symlink_status(sec)) && OnOwnStorage(device, top->path()))
            used += BytesIn(top->path());
    }
    return used;
}

bool OnLimitedStorage(const fs::path& host) {
    if (!HasCurrentDevice()) return false;
    const DeviceRoot device = CurrentDevice();
    return device.Info().storageBytes > 0 && OnOwnStorage(device, host);
}

// What the device's storage has left where `host` lies; nullopt when that
// storage has no size of its own.
std::optional<uint64_t> StorageLeft(const fs::path& host) {
    if (!OnLimitedStorage(host)) return std::nullopt;
    const DeviceRoot device = CurrentDevice();
    const uint64_t size = device.Info().storageBytes, used = UsedBytes(device);
    return used < size ? size - used : 0;
}

// The temporary file of a replacement of `target`: "." + its name + "." and
// the six characters mkstemp chose.
bool IsTemporaryOf(std::string_view entry, std::string_view target) {
    return entry.size() == target.size() + 8 && entry[0] == '.' && entry.substr(1, target.size()) == target &&
           IsReplaceTemporaryName(entry);
}

// A temporary file whose writer is gone: the writer holds a lock on it from
// creation until its rename, and a killed process holds nothing.
void RemoveIfAbandoned(const fs::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    struct stat opened {}, named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 && ::lstat(file.c_str(), &named) == 0 &&
        opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
        ::unlink(file.c_str());
    ::close(fd);
}

// Creates the temporary file for a replacement and takes its lock. A sweeper
// that got to the new file first has unlinked it; then another is made.
int CreateLockedTemporary(std::string& temp, const std::string& pattern) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp = pattern;
        int fd = ::mkstemp(temp.data());
        if (fd < 0) return -1;
        struct stat st {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

// Flushes the folder entry that a rename changed.
void SyncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::optional<fs::path> HostPathOf(std::u16string_view devicePath) {
    if (!HasCurrentDevice()) return std::nullopt;
    return CurrentDevice().HostPath(devicePath);
}

bool Exists(std::u16string_view path) { return fs::exists(Status(path)); }
bool IsFile(std::u16string_view path) { return fs::is_regular_file(Status(path)); }
bool IsFolder(std::u16string_view path) { return fs::is_directory(Status(path)); }

std::optional<uint64_t> FileSize(std::u16string_view path) {
    auto host = HostPathOf(path);
    if (!host || !IsFile(path)) return std::nullopt;
    std::error_code ec;
    auto size = fs::file_size(*host, ec);
    if (ec) return std::nullopt;
    return size;
}

bool ReadFile(std::u16string_view path, std::string& bytes) {
    auto file = File::Open(path, File::Mode::Read);
    if (!file) return false;
    std::string out;
    char buffer[16384];
    for (;;) {
        size_t got = 0;
        if (!file->Read(buffer, sizeof buffer, got)) return false;
        if (got == 0) break;
        out.append(buffer, got);
    }
    bytes = std::move(out);
    return true;
}

bool WriteFile(std::u16string_view path, std::string_view bytes) {
    auto host = HostPathOf(path);
    return host && WriteHostFile(*host, bytes);
}

bool ReplaceFile(std::u16string_view path, std::string_view bytes) {
    auto host = HostPathOf(path);
    if (!host || IsRoot(*host)) return false;
    return ReplaceHostFile(*host, bytes);
}

bool ReplaceHostFile(const fs::path& hostPath, std::string_view bytes, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what + " " + hostPath.string() + ": " + std::strerror(errno);
        return false;
    };
    std::error_code ec;
    // A folder in the way is refused before any temporary file exists.
    if (fs::is_directory(fs::symlink_status(hostPath, ec))) {
        errno = EISDIR;
        return fail("cannot replace the folder");
    }
    SweepReplaceLeftovers(hostPath);
    // The old file stays until the rename, so the new one needs room of its own.
    if (!RoomFor(hostPath, bytes.size())) {
        errno = ENOSPC;
        return fail("no room on the device for");
    }
    const fs::path folder = hostPath.has_parent_path() ? hostPath.parent_path() : fs::path(".");
    // A unique hidden name: two writers never share a temporary file, and a
    // listing of the folder does not show a half-written one as a real file.
    std::string temp;
    int fd = CreateLockedTemporary(temp, (folder / ("." + hostPath.filename().string() + ".XXXXXX")).string());
    if (fd < 0) return fail("cannot create a temporary file for");
    bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (ok) CrashPoint("replace:" + hostPath.filename().string());
    // Renamed while still locked: a sweeper never takes a finished file for
    // an abandoned one.
    if (ok && ::rename(temp.c_str(), hostPath.c_str()) != 0) ok = false, err = errno;
    if (!ok) ::unlink(temp.c_str());
    ::close(fd);
    if (!ok) {
        errno = err;
        return fail("cannot write");
    }
    SyncFolder(folder);
    return true;
}

void SweepReplaceLeftovers(const fs::path& hostPath) {
    const fs::path folder = hostPath.has_parent_path() ? hostPath.parent_path() : fs::path(".");
    const std::string target = hostPath.filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (IsTemporaryOf(it->path().filename().string(), target)) RemoveIfAbandoned(it->path());
}

bool IsReplaceTemporaryName(std::string_view name) {
    if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') return false;
    for (char c : name.substr(name.size() - 6))
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

bool RoomFor(const fs::path& hostPath, uint64_t bytes) {
    const auto left = StorageLeft(hostPath);
    return !left || bytes <= *left;
}

std::optional<uint64_t> FreeSpace(std::u16string_view path) {
    auto host = HostPathOf(path);
    if (!host) return std::nullopt;
    // The nearest folder that exists tells the host disk's free space.
    fs::path existing = *host;
    std::error_code ec;
    while (!fs::exists(existing, ec) && existing.has_parent_path() && existing != existing.parent_path())
        existing = existing.parent_path();
    auto space = fs::space(existing, ec);
    const uint64_t free = ec ? std::numeric_limits<uint64_t>::max() : space.available;
    const auto left = StorageLeft(*host);
    return left ? std::min(free, *left) : free;
}

uint64_t StorageUsed() { return HasCurrentDevice() ? UsedBytes(CurrentDevice()) : 0; }

bool CopyHostFile(const fs::path& from, const fs::path& to, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        return false;
    };
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return fail("cannot read " + from.string());
    auto out = File::OpenHost(to, File::Mode::Write);
    if (!out) {
        const int err = errno;
        ::close(in);
        errno = err;
        return fail("cannot create " + to.string());
    }
    bool ok = true;
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!out->Write(buffer, static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    int err = errno;
    ::close(in);
    if (!out->Close() && ok) ok = false, err = errno;
    if (ok) return true;
    ::unlink(to.c_str());
    errno = err;
    return fail("cannot copy to " + to.string());
}

bool WriteHostFile(const fs::path& hostPath, std::string_view bytes) {
    auto file = File::OpenHost(hostPath, File::Mode::Write);
    if (!file) return false;
    const bool written = file->Write(bytes);
    if (file->Close() && written) return true;
    // Its old content went with the truncation; a torn new one is no better
    // than none.
    ::unlink(hostPath.c_str());
    return false;
}

bool MoveFile(std::u16string_view from, std::u16string_view to) {
    auto src = HostPathOf(from);
    auto dst = HostPathOf(to);
    if (!src || !dst || IsRoot(*src) || !Exists(from)) return false;
    // Brought in from a card (or the root's own files), it takes room of the
    // device's storage; moved within it, it takes none more.
    if (OnLimitedStorage(*dst) && !OnLimitedStorage(*src) && !RoomFor(*dst, BytesIn(*src))) {
        errno = ENOSPC;
        return false;
    }
    // The kernel refuses to replace an existing target, so two movers racing
    // for one name cannot overwrite each other.
    if (::renameat2(AT_FDCWD, src->c_str(), AT_FDCWD, dst->c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace flag: check, then rename.
    if (Exists(to)) return false;
    return std::rename(src->c_str(), dst->c_str()) == 0;
}

bool DeleteFile(std::u16string_view path) {
    auto host = HostPathOf(path);
    if (!host || IsFolder(path)) return false;
    return ::unlink(host->c_str()) == 0;
}

bool TouchFile(std::u16string_view path) {
    auto host = HostPathOf(path);
    if (!host || !IsFile(path)) return false;
    return ::utimensat(AT_FDCWD, host->c_str(), nullptr, 0) == 0;
}

bool CreateFolder(std::u16string_view path) {
    auto host = HostPathOf(path);
    if (!host) return false;
    if (::mkdir(host->c_str(), 0755) == 0) return true;
    return errno == EEXIST && IsFolder(path);
}

bool CreateFolders(std::u16string_view path) {
    auto host = HostPathOf(path);
    if (!host) return false;
    std::error_code ec;
    fs::create_directories(*host, ec);
    return !ec && IsFolder(path);
}

bool DeleteTree(std::u16string_view path) {
    auto host = HostPathOf(path);
    if (!host || IsRoot(*host) || !Exists(path)) return false;
    std::error_code ec;
    fs::remove_all(*host, ec);
    return !ec;
}

bool ListFolder(std::u16string_view path, std::vector<FileEntry>& entries) {
    auto host = HostPathOf(path);
    if (!host || !IsFolder(path)) return false;
    std::vector<FileEntry> out;
    std::error_code ec;
    for (fs::directory_iterator it(*host, ec), end; it != end; it.increment(ec)) {
        if (ec) return false;
        const std::string name = it->path().filename().string();
        if (IsReplaceTemporaryName(name)) continue;
        FileEntry e;
        e.name = U16(name);
        std::error_code sec;
        e.folder = it->is_directory(sec);
        struct stat st {};
        if (::stat(it->path().c_str(), &st) == 0)
            e.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        if (!e.folder) {
            auto size = it->file_size(sec);
            e.size = sec ? 0 : size;
        }
        out.push_back(std::move(e));
    }
    if (ec) return false;
    std::sort(out.begin(), out.end(), [](const FileEntry& a, const FileEntry& b) {
        auto la = text::AsciiLower(a.name), lb = text::AsciiLower(b.name);
        return la != lb ? la < lb : a.name < b.name;
    });
    entries = std::move(out);
    return true;
}

std::vector<std::u16string> StorageCards() {
    std::vector<std::u16string> cards;
    if (!HasCurrentDevice()) return cards;
    for (const auto& name : CurrentDevice().Info().storageCards) {
        // A card is one folder directly in the root; anything else in the list
        // (empty, a path, a hostile name) is not a card.
        std::u16string card = u"\\" + U16(name);
        if (name.empty() || name.find('\\') != std::string::npos || !HostPathOf(card)) continue;
        if (IsFolder(card)) cards.push_back(card);
    }
    return cards;
}

std::u16string FirstStorageCard() {
    auto cards = StorageCards();
    return cards.empty() ? std::u16string() : cards.front();
}

}  // namespace platform
