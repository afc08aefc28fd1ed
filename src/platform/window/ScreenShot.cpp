#include "platform/window/ScreenShot.h"

#include <png.h>

#include "formats/PngWriter.h"

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
    formats::PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = formats::PngImage::Rgb;
    image.samples.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        unsigned r = pixels[i] >> 11, g = (pixels[i] >> 5) & 0x3F, b = pixels[i] & 0x1F;
        image.samples[i * 3] = static_cast<std::uint8_t>((r << 3) | (r >> 2));
        image.samples[i * 3 + 1] = static_cast<std::uint8_t>((g << 2) | (g >> 4));
        image.samples[i * 3 + 2] = static_cast<std::uint8_t>((b << 3) | (b >> 2));
    }
    std::vector<std::uint8_t> bytes;
    if (!formats::EncodePng(image, bytes, error)) return false;
    bool ok = false;
    {
        File f(std::fopen(file.c_str(), "wb"));
        if (!f) {
            SetError(error, "cannot create " + file.string());
            return false;
        }
        ok = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size() && std::fflush(f.get()) == 0;
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
