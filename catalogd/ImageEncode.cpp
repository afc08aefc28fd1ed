// PNG and JPEG encoding of a Canvas into memory, through the tree's one
// image writer. PNGs take their smallest lossless form: every picture is
// fetched by handhelds over lines that charge by the byte.
#include <stdexcept>

#include "Canvas.h"
#include "formats/JpegWriter.h"
#include "formats/PngWriter.h"

namespace catalogd {

std::string EncodePng(const Canvas& canvas) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!formats::EncodePng(formats::CompactImage(canvas.Width(), canvas.Height(), canvas.Pixels().data()), bytes, &error))
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
