#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

// An open file of the current device, for reading or writing in pieces (a
// download written as it arrives, a package read by the installer).
namespace platform {

class File {
public:
    enum class Mode {
        Read,    // existing file, reading
        Write,   // created or truncated, writing
        Append,  // created when missing, writing at the end
    };

    static std::optional<File> Open(std::u16string_view devicePath, Mode mode);
    // The same for a host path (a download's target, the installer's work).
    // On the current device it honours the device's storage size as Open does.
    static std::optional<File> OpenHost(const std::filesystem::path& hostPath, Mode mode);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Reads up to `size` bytes; `got` is 0 at the end of the file.
    bool Read(void* buffer, size_t size, size_t& got);
    // Writes all of `size` bytes or fails (a full disk is a failure, never a
    // short write reported as success). On a device whose storage has a size
    // (see RoomFor), a write that would pass it fails with ENOSPC and writes
    // nothing.
    bool Write(const void* data, size_t size);
    bool Write(std::string_view data) { return Write(data.data(), data.size()); }
    // Flushes to the storage medium.
    bool Sync();
    std::optional<uint64_t> Size() const;
    // Closes the file; false when the last writes could not be completed.
    bool Close();

private:
    File(int fd, std::filesystem::path writtenHost) : fd(fd), writtenHost(std::move(writtenHost)) {}
    int fd = -1;
    // Set for a file opened for writing: each write checks the storage.
    std::filesystem::path writtenHost;
};

}  // namespace platform
