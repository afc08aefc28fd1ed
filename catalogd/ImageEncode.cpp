// PNG and JPEG encoding of a Canvas into memory, through the tree's one
// image writer.
#include <stdexcept>

#include "Canvas.h"
#include "formats/JpegWriter.h"
#include "formats/PngWriter.h"

namespace catalogd {

std::string EncodePng(const Canvas& canvas) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!formats::EncodePng(formats::RgbaImage(canvas.Width(), canvas.Height(), canvas.Pixels().data()), bytes, &error))
        throw std::runtime_error("cannot encode a PNG: " + error);
    return std::string(bytes.begin(), bytes.end());
}

std::string EncodeJpeg(const Canvas& canvas, int quality) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!formats::EncodeJpeg(canvas.Width(), canvas.Height(), canvas.Pixels().data(), {quality, false}, bytes, &error))
        throw std::runtime_error("cannot encode a JPEG: " + error);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace catalogd
