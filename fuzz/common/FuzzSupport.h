#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// Helpers shared by the fuzz targets.
namespace fuzz {

// Stops the run with a message: a broken promise of the code under test is a
// finding just like a crash, and libFuzzer keeps the input that caused it.
inline void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// A folder of this process below the system's temporary folder, for readers
// that only take files. Removed when the process ends normally.
struct ScratchDir {
    explicit ScratchDir(const char* name)
        : path(std::filesystem::temp_directory_path() /
               (std::string("tobrix-fuzz-") + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes the bytes to `name` inside the folder and returns its path.
    std::filesystem::path Put(const char* name, const uint8_t* data, size_t size) const {
        std::ofstream(path / name, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return path / name;
    }

    const std::filesystem::path path;
};

}  // namespace fuzz
