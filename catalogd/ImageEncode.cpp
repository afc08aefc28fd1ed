// PNG and JPEG encoding of a Canvas into memory.
#include <png.h>
#include <stdio.h>
#include <jpeglib.h>

#include <stdexcept>

#include "Canvas.h"

namespace catalogd {
namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

}  // namespace

std::string EncodePng(const Canvas& canvas) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("cannot start the PNG encoder");
    }
    std::string out;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("PNG encoding failed");
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.Width()), static_cast<png_uint_32>(canvas.Height()), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const auto& px = canvas.Pixels();
    for (int y = 0; y < canvas.Height(); ++y)
        png_write_row(png, const_cast<png_bytep>(&px[static_cast<size_t>(y) * canvas.Width() * 4]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string EncodeJpeg(const Canvas& canvas, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = static_cast<JDIMENSION>(canvas.Width());
    cinfo.image_height = static_cast<JDIMENSION>(canvas.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(canvas.Width()) * 3);
    const auto& px = canvas.Pixels();
    while (cinfo.next_scanline < cinfo.image_height) {
        size_t y = cinfo.next_scanline;
        // JPEG has no alpha: composite over white, as a viewer would show it.
        for (int x = 0; x < canvas.Width(); ++x) {
            const uint8_t* p = &px[(y * canvas.Width() + x) * 4];
            for (int c = 0; c < 3; ++c) row[x * 3 + c] = static_cast<uint8_t>((p[c] * p[3] + 255 * (255 - p[3])) / 255);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(mem), size);
    jpeg_destroy_compress(&cinfo);
    free(mem);
    return out;
}

}  // namespace catalogd
