#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include "base/Text.h"

// Helpers shared by the fuzz targets.
namespace fuzz {

// Stops the run with a message: a broken promise of the code under test is a
// finding just like a crash, and libFuzzer keeps the input that caused it.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
inline void Check(bool ok, const char* what) {
    if (!ok) Fail(what);
}

// A folder of this process below the system's temporary folder, for readers
// that only take files. Removed when the process ends normally.
class ScratchDir {
public:
    explicit ScratchDir(const char* name) {
        path = std::filesystem::temp_directory_path() /
               (std::string("tobrix-fuzz-") + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes `bytes` to `name` inside the folder and returns its path.
    std::filesystem::path Put(const char* name, const uint8_t* data, size_t size) const {
        std::filesystem::path file = path / name;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return file;
    }

    std::filesystem::path path;
};

// Reads the input as a sequence of fields separated by the byte 0x1F, so one
// input can carry several hostile values (a login, a password, a query...).
class Fields {
public:
    static constexpr char kSeparator = '\x1f';
    Fields(const uint8_t* data, size_t size) : rest(reinterpret_cast<const char*>(data), size) {}
    std::string_view Next() {
        size_t end = rest.find(kSeparator);
        std::string_view field = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        return field;
    }
    // The field as program text: UTF-8 (invalid bytes included), except that
    // 0xFF followed by two bytes is one raw UTF-16 unit (big-endian), so lone
    // surrogates and every other unit the program could hold appear too.
    std::u16string NextUnits() {
        std::string_view f = Next();
        std::u16string out;
        std::string run;
        auto flush = [&] {
            out += text::Utf8ToUtf16(run);
            run.clear();
        };
        for (size_t i = 0; i < f.size(); ++i) {
            if (uint8_t(f[i]) == 0xFF && i + 2 < f.size()) {
                flush();
                out.push_back(static_cast<char16_t>((uint8_t(f[i + 1]) << 8) | uint8_t(f[i + 2])));
                i += 2;
            } else {
                run.push_back(f[i]);
            }
        }
        flush();
        return out;
    }
    int32_t NextInt() {
        std::string_view f = Next();
        uint32_t v = 0;
        for (size_t i = 0; i < f.size() && i < 4; ++i) v |= uint32_t(uint8_t(f[i])) << (8 * i);
        return static_cast<int32_t>(v);
    }

private:
    std::string_view rest;
};

}  // namespace fuzz
