#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// Writes a 16-bit RGB 5-6-5 frame as an 8-bit RGB PNG. Each channel is
// widened by bit replication, so white stays 255 and a 5-6-5 frame read back
// with ReadScreenPng is identical. Returns false with `error` on failure; a
// partly written file is removed.
bool WriteScreenPng(const std::filesystem::path& file, const std::uint16_t* pixels, int width, int height,
                    std::string* error = nullptr);

// Reads a PNG written by WriteScreenPng back into 5-6-5 pixels (tests compare
// frames pixel by pixel this way).
bool ReadScreenPng(const std::filesystem::path& file, std::vector<std::uint16_t>& pixels, int& width, int& height,
                   std::string* error = nullptr);

}  // namespace platform
