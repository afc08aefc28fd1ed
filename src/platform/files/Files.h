#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The device's file system, by device path ("\Program Files\Tobrix\x.dat") on
// the current device. Every operation fails (false / nullopt) when no device
// is selected, when the path would leave the device root, or when the host
// call fails; nothing is ignored on the way.
namespace platform {

struct FileEntry {
    std::u16string name;  // the entry's own name, no path
    bool folder = false;
    uint64_t size = 0;  // bytes; 0 for folders
    // When the entry was last written (or touched), in nanoseconds since
    // the epoch: what a cache evicts by.
    int64_t modified = 0;
};

// The host path of a device path on the current device.
std::optional<std::filesystem::path> HostPathOf(std::u16string_view devicePath);

bool Exists(std::u16string_view path);
bool IsFile(std::u16string_view path);
bool IsFolder(std::u16string_view path);
std::optional<uint64_t> FileSize(std::u16string_view path);

// The whole file.
bool ReadFile(std::u16string_view path, std::string& bytes);
// Creates or truncates the file and writes `bytes`; a file that cannot be
// written whole is removed.
bool WriteFile(std::u16string_view path, std::string_view bytes);
// Writes `bytes` to a temporary file next to `path`, flushes it to disk and
// renames it over `path`: a crash or a full disk leaves either the old or the
// new content, never a torn file. On failure the old file is untouched.
bool ReplaceFile(std::u16string_view path, std::string_view bytes);
// The same for a host path, for the files that live outside any device path
// (the device's own description) or are written before a device is selected.
// This is the one place that replaces a file: the temporary file is created
// beside the target (same file system, so the rename is atomic), written in
// full, flushed, renamed over the target, and then the folder is flushed so
// that the new name survives a power cut. On any failure the old file is
// untouched, the temporary file is removed and `error` says what failed.
// After the rename has happened the result is true even if the folder cannot
// be flushed, since the old content is gone either way.
bool ReplaceHostFile(const std::filesystem::path& hostPath, std::string_view bytes, std::string* error = nullptr);

// Copies the host file `from` to `to` (a new file) through the same checks
// as every write of the files role; a copy that cannot be completed leaves no
// part of itself behind.
bool CopyHostFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string* error = nullptr);
// WriteFile for a host path, with the same checks.
bool WriteHostFile(const std::filesystem::path& hostPath, std::string_view bytes);

// Hidden temporary files that a replacement killed before its rename left
// beside `hostPath` are deleted; one that a live writer still holds is not.
// Replacing a file does this itself; readers call it on start-up.
void SweepReplaceLeftovers(const std::filesystem::path& hostPath);
// True for the name of such a temporary file: folder listings never show
// one, since it is no data of anybody's.
bool IsReplaceTemporaryName(std::string_view fileName);

// The device's own storage. When its description sets a size
// ("storageBytes"), every write of the files role into one of the root's
// folders (storage cards aside) first checks that the files there stay
// within it, and fails as on a full disk (ENOSPC) when they would not.
// True when `bytes` more may be written at `hostPath`.
bool RoomFor(const std::filesystem::path& hostPath, uint64_t bytes);
// The bytes that may still be written at a device path: the host disk's free
// space, and no more than the device's storage leaves. nullopt when the path
// is not on the device.
std::optional<uint64_t> FreeSpace(std::u16string_view path);
// What the files in the device's own storage take together.
uint64_t StorageUsed();

// Moves a file or folder. Fails when `to` exists: nothing is ever overwritten.
bool MoveFile(std::u16string_view from, std::u16string_view to);
// Deletes one file (not a folder).
bool DeleteFile(std::u16string_view path);
// Sets a file's last-write time to now, its content untouched.
bool TouchFile(std::u16string_view path);
// Creates one folder; its parent must exist. A folder that already exists
// counts as success, a file of that name does not.
bool CreateFolder(std::u16string_view path);
// Creates the folder and every missing parent.
bool CreateFolders(std::u16string_view path);
// Deletes a folder with all its contents, or a single file. The device's root
// folder is never deleted. A missing path is a failure.
bool DeleteTree(std::u16string_view path);
// The entries of a folder, folders and files alike, in case-insensitive name
// order.
bool ListFolder(std::u16string_view path, std::vector<FileEntry>& entries);

// The device paths of the mounted storage cards ("\Storage Card"), in the
// order device.json lists them. A card whose folder is missing is not mounted.
std::vector<std::u16string> StorageCards();
// The first of them, or empty when there is none.
std::u16string FirstStorageCard();

}  // namespace platform
