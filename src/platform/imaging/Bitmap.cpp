#include "platform/imaging/Bitmap.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"
#include "platform/imaging/Pixel565.h"

namespace platform::imaging {

Format Sniff(const uint8_t* d, size_t n) {
    if (n >= 8 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G') return Format::Png;
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return Format::Jpeg;
    if (n >= 6 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8') return Format::Gif;
    return Format::Unknown;
}

bool WithinLimits(int64_t width, int64_t height, const DecodeLimits& limits) {
    return width > 0 && height > 0 && width <= limits.maxSide && height <= limits.maxSide &&
           width * height <= limits.maxPixels;
}

int32_t ReductionFactor(int64_t width, int64_t height, const DecodeLimits& limits) {
    for (int64_t f = 1; f <= 1 << 16; ++f) {
        if (WithinLimits((width + f - 1) / f, (height + f - 1) / f, limits)) return static_cast<int32_t>(f);
    }
    return 0;
}

bool Decode(const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options, std::string* error) {
    std::string why;
    out = Bitmap();
    bool ok = false;
    switch (Sniff(data, size)) {
        case Format::Png: ok = DecodePng(data, size, out, options, why); break;
        case Format::Jpeg: ok = DecodeJpeg(data, size, out, options, why); break;
        case Format::Gif: ok = DecodeGif(data, size, out, options, why); break;
        case Format::Unknown: why = "not a PNG, JPEG or GIF image"; break;
    }
    if (!ok) {
        out = Bitmap();
        if (error) *error = why.empty() ? "the image cannot be decoded" : why;
    }
    return ok;
}

namespace {

// A path starting with a backslash is a device path below the current
// device root; anything else is a host path.
bool HostPathOf(std::u16string_view path, std::filesystem::path& host, std::string* error) {
    if (path.empty() || path[0] != u'\\') {
        host = std::filesystem::path(U8(path));
        return true;
    }
    if (!HasCurrentDevice()) {
        if (error) *error = "no device for the device path " + U8(path);
        return false;
    }
    auto mapped = CurrentDevice().HostPath(path);
    if (!mapped) {
        if (error) *error = "the device path leaves the device: " + U8(path);
        return false;
    }
    host = *mapped;
    return true;
}

}  // namespace

bool WriteFile(std::u16string_view path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::filesystem::path host;
    if (!HostPathOf(path, host, error)) return false;
    // Through the files role: a picture saved on the device counts against
    // its storage like any other file.
    if (!WriteHostFile(host, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
        if (error) *error = "cannot write " + host.string();
        return false;
    }
    return true;
}

bool ReadFile(std::u16string_view path, std::vector<uint8_t>& out, std::string* error) {
    std::filesystem::path host;
    if (!HostPathOf(path, host, error)) return false;
    // No image we show comes near this; a larger file is not read into memory.
    constexpr uintmax_t kMaxFileSize = uintmax_t{256} << 20;
    std::error_code ec;
    if (std::filesystem::is_regular_file(host, ec) && std::filesystem::file_size(host, ec) > kMaxFileSize) {
        if (error) *error = "the file is too large: " + host.string();
        return false;
    }
    std::ifstream in(host, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + host.string();
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error) *error = "cannot read " + host.string();
        return false;
    }
    return true;
}

bool DecodeFile(std::u16string_view path, Bitmap& out, const DecodeOptions& options, std::string* error) {
    std::vector<uint8_t> bytes;
    out = Bitmap();
    if (!ReadFile(path, bytes, error)) return false;
    return Decode(bytes.data(), bytes.size(), out, options, error);
}

void ToRgb565(const Bitmap& source, uint16_t* pixels, uint8_t* alpha) {
    const size_t n = static_cast<size_t>(source.width) * static_cast<size_t>(source.height);
    const uint8_t* p = source.rgba.data();
    for (size_t i = 0; i < n; ++i, p += 4) {
        pixels[i] = pixel565::FromRgb(p[0], p[1], p[2]);
        if (alpha) alpha[i] = p[3];
    }
}

RowReducer::RowReducer(int32_t sourceWidth, int32_t sourceHeight, int32_t factor, Bitmap& out)
    : sourceWidth(sourceWidth), factor(factor), out(out) {
    out.width = (sourceWidth + factor - 1) / factor;
    out.height = (sourceHeight + factor - 1) / factor;
    out.rgba.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
    sums.assign(static_cast<size_t>(out.width) * 4, 0);
}

void RowReducer::AddRow(const uint8_t* rgba) {
    for (int32_t x = 0; x < sourceWidth; ++x) {
        const uint8_t* p = rgba + static_cast<size_t>(x) * 4;
        uint64_t* s = &sums[static_cast<size_t>(x / factor) * 4];
        s[0] += uint64_t{p[0]} * p[3];
        s[1] += uint64_t{p[1]} * p[3];
        s[2] += uint64_t{p[2]} * p[3];
        s[3] += p[3];
    }
    if (++rowsInBlock == factor) Flush();
}

void RowReducer::Finish() { Flush(); }

void RowReducer::Flush() {
    if (rowsInBlock == 0 || outRow >= out.height) return;
    for (int32_t x = 0; x < out.width; ++x) {
        uint64_t* s = &sums[static_cast<size_t>(x) * 4];
        int32_t cols = std::min(factor, sourceWidth - x * factor);
        uint64_t count = static_cast<uint64_t>(cols) * static_cast<uint64_t>(rowsInBlock);
        uint8_t* d = &out.rgba[(static_cast<size_t>(outRow) * out.width + x) * 4];
        d[3] = static_cast<uint8_t>((s[3] + count / 2) / count);
        for (int c = 0; c < 3; ++c) d[c] = s[3] ? static_cast<uint8_t>((s[c] + s[3] / 2) / s[3]) : 0;
        s[0] = s[1] = s[2] = s[3] = 0;
    }
    rowsInBlock = 0;
    ++outRow;
}

}  // namespace platform::imaging
