#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The one JPEG writer of the tree (catalogd's screenshots, the decoder tests).
namespace formats {

struct JpegOptions {
    int quality = 85;
    bool progressive = false;
};

// 8-bit RGBA pixels (top row first). JPEG has no alpha, so each pixel is
// composited over white, as a viewer would show it. False with `error` when
// the image is empty or the encoder refuses it.
bool EncodeJpeg(int width, int height, const uint8_t* rgba, const JpegOptions& options, std::vector<uint8_t>& out,
                std::string* error = nullptr);

}  // namespace formats
