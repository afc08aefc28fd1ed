#include "platform/files/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/File.h"

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
    auto file = File::Open(path, File::Mode::Write);
    return file && file->Write(bytes) && file->Close();
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
    const fs::path folder = hostPath.has_parent_path() ? hostPath.parent_path() : fs::path(".");
    // A unique hidden name: two writers never share a temporary file, and a
    // listing of the folder does not show a half-written one as a real file.
    std::string temp = (folder / ("." + hostPath.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail("cannot create a temporary file for");
    bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) ok = false, err = errno;
    if (ok && ::rename(temp.c_str(), hostPath.c_str()) != 0) ok = false, err = errno;
    if (!ok) {
        ::unlink(temp.c_str());
        errno = err;
        return fail("cannot write");
    }
    SyncFolder(folder);
    return true;
}

bool MoveFile(std::u16string_view from, std::u16string_view to) {
    auto src = HostPathOf(from);
    auto dst = HostPathOf(to);
    if (!src || !dst || IsRoot(*src) || !Exists(from)) return false;
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
        FileEntry e;
        e.name = U16(it->path().filename().string());
        std::error_code sec;
        e.folder = it->is_directory(sec);
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
