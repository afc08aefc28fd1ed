#include "formats/PngWriter.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace formats {
namespace {

void Append(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

// Owns the encoder's state, which libpng frees in one call.
struct Session {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Session() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

size_t RowBytes(const PngImage& image) {
    int channels = 1;
    switch (image.colorType) {
        case PngImage::Rgb: channels = 3; break;
        case PngImage::GreyAlpha: channels = 2; break;
        case PngImage::Rgba: channels = 4; break;
        default: break;
    }
    return (static_cast<size_t>(image.width) * channels * image.bitDepth + 7) / 8;
}

void SetTransparency(const Session& s, const PngImage& image) {
    if (image.trns.empty()) return;
    if (image.colorType == PngImage::Palette) {
        png_set_tRNS(s.png, s.info, image.trns.data(), static_cast<int>(image.trns.size()), nullptr);
        return;
    }
    auto value = [&](size_t i) {
        return static_cast<png_uint_16>(i + 1 < image.trns.size() ? (image.trns[i] << 8) | image.trns[i + 1] : 0);
    };
    png_color_16 key{};
    if (image.colorType == PngImage::Grey) {
        key.gray = value(0);
    } else {
        key.red = value(0);
        key.green = value(2);
        key.blue = value(4);
    }
    png_set_tRNS(s.png, s.info, nullptr, 0, &key);
}

// libpng reports errors by longjmp; nothing with a destructor may live in here.
bool Run(Session& s, const PngImage& image, png_bytep* rows, png_color* colors, int colorCount, Bytes& out) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_write_fn(s.png, &out, Append, NoFlush);
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                 image.bitDepth, image.colorType, image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colorCount > 0) png_set_PLTE(s.png, s.info, colors, colorCount);
    SetTransparency(s, image);
    png_write_info(s.png, s.info);
    png_write_image(s.png, rows);
    png_write_end(s.png, nullptr);
    return true;
}

uint32_t PixelAt(const uint8_t* rgba, size_t i) {
    uint32_t v;
    std::memcpy(&v, rgba + i * 4, 4);
    return v;
}

// The distinct colours in order of first appearance, or nothing when there
// are more than 256 of them.
std::vector<uint32_t> FewColours(const uint8_t* rgba, size_t pixels) {
    std::vector<uint32_t> colours;
    std::unordered_set<uint32_t> seen;
    for (size_t i = 0; i < pixels; ++i) {
        if (!seen.insert(PixelAt(rgba, i)).second) continue;
        if (colours.size() == 256) return {};
        colours.push_back(PixelAt(rgba, i));
    }
    return colours;
}

int DepthFor(size_t colours) {
    if (colours <= 2) return 1;
    if (colours <= 4) return 2;
    if (colours <= 16) return 4;
    return 8;
}

// A palette image of `colours`, the translucent ones first so that the
// transparency chunk lists only those.
PngImage PaletteImage(int width, int height, const uint8_t* rgba, std::vector<uint32_t> colours) {
    std::stable_partition(colours.begin(), colours.end(),
                          [](uint32_t c) { return reinterpret_cast<const uint8_t*>(&c)[3] != 0xFF; });
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = PngImage::Palette;
    image.bitDepth = DepthFor(colours.size());
    std::unordered_map<uint32_t, uint8_t> index;
    for (size_t i = 0; i < colours.size(); ++i) {
        const auto* c = reinterpret_cast<const uint8_t*>(&colours[i]);
        index[colours[i]] = static_cast<uint8_t>(i);
        image.palette.insert(image.palette.end(), c, c + 3);
        if (c[3] != 0xFF) image.trns.push_back(c[3]);
    }
    const int perByte = 8 / image.bitDepth;
    const size_t rowBytes = (static_cast<size_t>(width) + perByte - 1) / perByte;
    image.samples.assign(rowBytes * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const int shift = 8 - image.bitDepth * (x % perByte + 1);  // leftmost pixel in the high bits
            image.samples[y * rowBytes + x / perByte] |= static_cast<uint8_t>(index[PixelAt(rgba, i)] << shift);
        }
    return image;
}

}  // namespace

PngImage RgbaImage(int width, int height, const uint8_t* rgba, bool keepAlpha) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = keepAlpha ? PngImage::Rgba : PngImage::Rgb;
    if (width <= 0 || height <= 0 || !rgba) return image;
    const size_t pixels = static_cast<size_t>(width) * height;
    if (keepAlpha) {
        image.samples.assign(rgba, rgba + pixels * 4);
        return image;
    }
    image.samples.resize(pixels * 3);
    for (size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c) image.samples[i * 3 + c] = rgba[i * 4 + c];
    return image;
}

PngImage CompactImage(int width, int height, const uint8_t* rgba) {
    if (width <= 0 || height <= 0 || !rgba) return RgbaImage(width, height, rgba);
    const size_t pixels = static_cast<size_t>(width) * height;
    std::vector<uint32_t> colours = FewColours(rgba, pixels);
    if (!colours.empty()) return PaletteImage(width, height, rgba, std::move(colours));
    bool opaque = true;
    for (size_t i = 0; i < pixels && opaque; ++i) opaque = rgba[i * 4 + 3] == 0xFF;
    return RgbaImage(width, height, rgba, !opaque);
}

bool EncodePng(const PngImage& image, Bytes& out, std::string* error) {
    out.clear();
    const size_t rowBytes = RowBytes(image);
    if (image.width <= 0 || image.height <= 0 || image.samples.size() < rowBytes * image.height) {
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
    std::vector<png_bytep> rows;
    Bytes samples = image.samples;  // libpng wants writable rows
    for (int y = 0; y < image.height; ++y) rows.push_back(&samples[static_cast<size_t>(y) * rowBytes]);
    std::vector<png_color> colors;
    for (size_t i = 0; i + 2 < image.palette.size(); i += 3)
        colors.push_back(png_color{image.palette[i], image.palette[i + 1], image.palette[i + 2]});
    if (Run(s, image, rows.data(), colors.data(), static_cast<int>(colors.size()), out)) return true;
    if (error) *error = "PNG encoding failed";
    out.clear();
    return false;
}

}  // namespace formats
