#include "platform/window/ScreenShot.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace platform {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}
}  // namespace

bool WriteScreenPng(const std::filesystem::path& file, const std::uint16_t* pixels, int width, int height,
                    std::string* error) {
    if (!pixels || width <= 0 || height <= 0) {
        SetError(error, "empty frame");
        return false;
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    bool ok = false;
    {
        File f(std::fopen(file.c_str(), "wb"));
        if (!f) {
            SetError(error, "cannot create " + file.string());
            return false;
        }
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png ? png_create_info_struct(png) : nullptr;
        if (png && info && !setjmp(png_jmpbuf(png))) {
            png_init_io(png, f.get());
            png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                         PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    std::uint16_t p = pixels[static_cast<std::size_t>(y) * width + x];
                    unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
                    row[x * 3] = static_cast<std::uint8_t>((r << 3) | (r >> 2));
                    row[x * 3 + 1] = static_cast<std::uint8_t>((g << 2) | (g >> 4));
                    row[x * 3 + 2] = static_cast<std::uint8_t>((b << 3) | (b >> 2));
                }
                png_write_row(png, row.data());
            }
            png_write_end(png, nullptr);
            ok = true;
        }
        png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
        ok = ok && std::fflush(f.get()) == 0 && !std::ferror(f.get());
    }
    if (!ok) {
        SetError(error, "cannot write " + file.string());
        std::error_code ec;
        std::filesystem::remove(file, ec);
    }
    return ok;
}

bool ReadScreenPng(const std::filesystem::path& file, std::vector<std::uint16_t>& pixels, int& width, int& height,
                   std::string* error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) {
        SetError(error, "cannot read " + file.string());
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        SetError(error, "cannot decode " + file.string());
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint16_t>(((rgb[i * 3] >> 3) << 11) | ((rgb[i * 3 + 1] >> 2) << 5) | (rgb[i * 3 + 2] >> 3));
    return true;
}

}  // namespace platform
