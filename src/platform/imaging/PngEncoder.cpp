#include "formats/PngWriter.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/Pixel565.h"

namespace platform::imaging {

bool EncodePng(const Bitmap& bitmap, std::vector<uint8_t>& out, std::string* error) {
    out.clear();
    if (bitmap.IsEmpty() || bitmap.rgba.size() != static_cast<size_t>(bitmap.width) * bitmap.height * 4) {
        if (error) *error = "nothing to encode";
        return false;
    }
    return formats::EncodePng(formats::RgbaImage(bitmap.width, bitmap.height, bitmap.rgba.data(), bitmap.hasAlpha), out,
                              error);
}

Bitmap FromRgb565(const uint16_t* pixels, const uint8_t* alpha, int32_t width, int32_t height) {
    Bitmap b;
    if (width <= 0 || height <= 0) return b;
    b.width = width;
    b.height = height;
    b.hasAlpha = alpha != nullptr;
    b.rgba.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        uint8_t* p = &b.rgba[i * 4];
        pixel565::ToRgb(pixels[i], p[0], p[1], p[2]);
        p[3] = alpha ? alpha[i] : 255;
    }
    return b;
}

}  // namespace platform::imaging
