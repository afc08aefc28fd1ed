#include "TestImages.h"

#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

#include "formats/JpegWriter.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace testimages {

namespace {

void Put32(uint8_t* p, uint32_t v) {
    p[0] = v >> 24;
    p[1] = (v >> 16) & 0xFF;
    p[2] = (v >> 8) & 0xFF;
    p[3] = v & 0xFF;
}

}  // namespace

Bytes Png(const Bitmap& b) {
    Bytes out;
    if (!platform::imaging::EncodePng(b, out)) throw std::runtime_error("PNG encoding failed");
    return out;
}

Bytes Png(const RawPng& raw) {
    Bytes out;
    std::string error;
    if (!formats::EncodePng(raw, out, &error)) throw std::runtime_error("PNG encoding failed: " + error);
    return out;
}

Bytes Jpeg(const Bitmap& b, int quality, bool progressive) {
    Bytes out;
    std::string error;
    if (!formats::EncodeJpeg(b.width, b.height, b.rgba.data(), {quality, progressive}, out, &error))
        throw std::runtime_error("JPEG encoding failed: " + error);
    return out;
}

namespace {
int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}
}  // namespace

Bytes Gif(int w, int h, const std::vector<uint8_t>& indices, const std::vector<uint8_t>& palette,
          int transparentIndex, bool interlaced) {
    Bytes out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &err);
    int colors = static_cast<int>(palette.size() / 3);
    int bits = 1;
    while ((1 << bits) < colors) ++bits;
    std::vector<GifColorType> table(static_cast<size_t>(1) << bits);
    for (int i = 0; i < colors; ++i) table[i] = GifColorType{palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]};
    ColorMapObject* map = GifMakeMapObject(1 << bits, table.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, w, h, bits, 0, map);
    if (transparentIndex >= 0) {
        GifByteType gce[4] = {1, 0, 0, static_cast<GifByteType>(transparentIndex)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
    }
    EGifPutImageDesc(gif, 0, 0, w, h, interlaced, nullptr);
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    auto row = [&](int y) {
        std::memcpy(line.data(), &indices[static_cast<size_t>(y) * w], static_cast<size_t>(w));
        EGifPutLine(gif, line.data(), w);
    };
    if (interlaced) {
        const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = start[p]; y < h; y += step[p]) row(y);
    } else {
        for (int y = 0; y < h; ++y) row(y);
    }
    EGifCloseFile(gif, &err);
    GifFreeMapObject(map);
    return out;
}

Bytes Truncated(const Bytes& b, size_t keep) { return Bytes(b.begin(), b.begin() + std::min(keep, b.size())); }

Bytes PngWithDeclaredSize(const Bytes& png, uint32_t w, uint32_t h) {
    Bytes out = png;
    // Signature (8), IHDR length (4), "IHDR" (4), then width and height.
    Put32(&out[16], w);
    Put32(&out[20], h);
    Put32(&out[29], static_cast<uint32_t>(crc32(0, &out[12], 17)));
    return out;
}

Bytes JpegWithDeclaredSize(const Bytes& jpeg, uint16_t w, uint16_t h) {
    Bytes out = jpeg;
    for (size_t i = 2; i + 9 < out.size();) {
        if (out[i] != 0xFF) break;
        uint8_t marker = out[i + 1];
        size_t len = (static_cast<size_t>(out[i + 2]) << 8) | out[i + 3];
        if (marker == 0xC0 || marker == 0xC2) {
            out[i + 5] = h >> 8;
            out[i + 6] = h & 0xFF;
            out[i + 7] = w >> 8;
            out[i + 8] = w & 0xFF;
            break;
        }
        i += 2 + len;
    }
    return out;
}

Bytes GifWithDeclaredSize(const Bytes& gif, uint16_t w, uint16_t h) {
    Bytes out = gif;
    out[6] = w & 0xFF;
    out[7] = w >> 8;
    out[8] = h & 0xFF;
    out[9] = h >> 8;
    // The first image descriptor follows the global colour table.
    size_t table = (out[10] & 0x80) ? 3u << ((out[10] & 7) + 1) : 0;
    for (size_t i = 13 + table; i + 9 < out.size(); ++i)
        if (out[i] == 0x2C) {
            out[i + 5] = w & 0xFF;
            out[i + 6] = w >> 8;
            out[i + 7] = h & 0xFF;
            out[i + 8] = h >> 8;
            break;
        }
    return out;
}

Bytes Flipped(const Bytes& b, size_t offset, uint8_t mask) {
    Bytes out = b;
    if (offset < out.size()) out[offset] ^= mask;
    return out;
}

int WriteCorpus(const std::string& dir) {
    int count = 0;
    auto write = [&](const std::string& name, const Bytes& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ++count;
    };
    Bitmap rgba = Make(17, 11, true, [](int x, int y) { return uint32_t(x * 15) << 24 | uint32_t(y * 23) << 16 | 0x8000 | (x * 15); });
    Bitmap rgb = Make(24, 16, false, [](int x, int y) { return uint32_t(x * 10) << 24 | uint32_t(y * 16) << 16 | 0x4000; });
    Bytes png = Png(rgba), jpeg = Jpeg(rgb), progressive = Jpeg(rgb, 80, true);
    std::vector<uint8_t> idx(12 * 9);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = i % 4;
    Bytes gif = Gif(12, 9, idx, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}, 2, false);
    Bytes gifInterlaced = Gif(12, 9, idx, {0, 0, 0, 255, 255, 255, 0, 255, 0, 9, 9, 9}, -1, true);
    RawPng pal{5, 3, PNG_COLOR_TYPE_PALETTE, 4, false, Bytes(9, 0x12), {0, 0, 0, 255, 0, 0, 0, 0, 255}, {0, 128}};
    RawPng grey16{4, 4, PNG_COLOR_TYPE_GRAY, 16, true, Bytes(32, 0x7F), {}, {}};
    write("rgba.png", png);
    write("palette.png", Png(pal));
    write("grey16-interlaced.png", Png(grey16));
    write("baseline.jpg", jpeg);
    write("progressive.jpg", progressive);
    write("transparent.gif", gif);
    write("interlaced.gif", gifInterlaced);
    write("png-truncated", Truncated(png, png.size() / 2));
    write("png-huge", PngWithDeclaredSize(png, 100000, 100000));
    write("png-corrupt", Flipped(png, png.size() - 20, 0x55));
    write("jpeg-truncated", Truncated(jpeg, jpeg.size() / 2));
    write("jpeg-huge", JpegWithDeclaredSize(jpeg, 65000, 65000));
    write("gif-truncated", Truncated(gif, gif.size() - 6));
    write("gif-huge", GifWithDeclaredSize(gif, 65000, 65000));
    write("empty", Bytes());
    write("signature-only.png", Truncated(png, 8));
    return count;
}

}  // namespace testimages
