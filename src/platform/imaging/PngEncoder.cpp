#include <png.h>

#include <csetjmp>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/Pixel565.h"

namespace platform::imaging {

namespace {

void Append(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

struct Session {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;
    ~Session() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

bool Run(Session& s, const Bitmap& b, std::vector<uint8_t>& out) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_write_fn(s.png, &out, Append, NoFlush);
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(b.width), static_cast<png_uint_32>(b.height), 8,
                 b.hasAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(s.png, s.info);
    if (!b.hasAlpha) png_set_filler(s.png, 0, PNG_FILLER_AFTER);  // drop the 4th byte of each pixel
    png_write_image(s.png, s.rows.data());
    png_write_end(s.png, nullptr);
    return true;
}

}  // namespace

bool EncodePng(const Bitmap& bitmap, std::vector<uint8_t>& out, std::string* error) {
    out.clear();
    if (bitmap.IsEmpty() || bitmap.rgba.size() != static_cast<size_t>(bitmap.width) * bitmap.height * 4) {
        if (error) *error = "nothing to encode";
        return false;
    }
    Session s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (s.png) s.info = png_create_info_struct(s.png);
    if (!s.png || !s.info) {
        if (error) *error = "out of memory";
        return false;
    }
    for (int32_t y = 0; y < bitmap.height; ++y)
        s.rows.push_back(const_cast<png_bytep>(&bitmap.rgba[static_cast<size_t>(y) * bitmap.width * 4]));
    if (Run(s, bitmap, out)) return true;
    if (error) *error = "PNG encoding failed";
    out.clear();
    return false;
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
