#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The imaging role: decoding PNG, JPEG and GIF files into 8-bit RGBA, scaled
// copies, and conversion to the UI's 16-bit pixels with an alpha plane.
namespace platform::imaging {

// Straight (not premultiplied) 8-bit RGBA, rows top to bottom, no padding.
struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;
    bool hasAlpha = false;  // the file carried transparency
    std::vector<uint8_t> rgba;

    bool IsEmpty() const { return width <= 0 || height <= 0; }
};

// Caps on what a decoder may produce, so that a small hostile file declaring
// a huge image fails instead of exhausting memory.
struct DecodeLimits {
    int32_t maxSide = 16384;
    int64_t maxPixels = int64_t{4096} * 4096;
};

struct DecodeOptions {
    DecodeLimits limits;
    // An image over the limits comes back reduced (by a whole factor, or the
    // decoder's own scaling) instead of failing, as long as the file is no
    // larger than `maxSourcePixels`.
    bool allowReduced = false;
    int64_t maxSourcePixels = int64_t{1} << 28;
};

enum class Format { Unknown, Png, Jpeg, Gif };
Format Sniff(const uint8_t* data, size_t size);

// False (with a reason in `error`) for anything unreadable: an unknown
// format, a corrupt or truncated file, or an image beyond the limits.
bool Decode(const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options = {},
            std::string* error = nullptr);

// Reads a whole file. A path starting with a backslash is a device path and
// is mapped below the current device root; anything else is a host path.
bool ReadFile(std::u16string_view path, std::vector<uint8_t>& out, std::string* error = nullptr);
bool DecodeFile(std::u16string_view path, Bitmap& out, const DecodeOptions& options = {},
                std::string* error = nullptr);

// A copy at another size: area averaging where it shrinks, bilinear where it
// grows (each axis on its own), on premultiplied colour so that transparent
// pixels do not bleed dark fringes.
Bitmap Resample(const Bitmap& source, int32_t width, int32_t height);

// 16-bit RGB 5-6-5 pixels and, when `alpha` is given, the alpha bytes.
void ToRgb565(const Bitmap& source, uint16_t* pixels, uint8_t* alpha);

// Decoder entry points, used by Decode after sniffing the format.
bool DecodePng(const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options, std::string& error);
bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options, std::string& error);
bool DecodeGif(const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options, std::string& error);

// Helpers shared by the decoders.
bool WithinLimits(int64_t width, int64_t height, const DecodeLimits& limits);
// The smallest whole factor that brings width x height within the limits.
int32_t ReductionFactor(int64_t width, int64_t height, const DecodeLimits& limits);

// Averages whole blocks of `factor` x `factor` source pixels while rows
// stream in, so that a large image is reduced without ever being held whole.
class RowReducer {
public:
    RowReducer(int32_t sourceWidth, int32_t sourceHeight, int32_t factor, Bitmap& out);
    void AddRow(const uint8_t* rgba);  // sourceWidth RGBA pixels
    void Finish();                     // after the last row: a partial last block

private:
    void Flush();
    int32_t sourceWidth;
    int32_t factor;
    int32_t rowsInBlock = 0;
    int32_t outRow = 0;
    Bitmap& out;
    std::vector<uint64_t> sums;  // per output pixel: premultiplied r, g, b, and a
};

}  // namespace platform::imaging

namespace platform::imaging {

// PNG bytes of the bitmap (8-bit RGB, or RGBA when it has alpha); screenshots
// and tools write their pictures with it.
bool EncodePng(const Bitmap& bitmap, std::vector<uint8_t>& out, std::string* error = nullptr);
// RGB 5-6-5 pixels (with an optional alpha plane) expanded to a bitmap.
Bitmap FromRgb565(const uint16_t* pixels, const uint8_t* alpha, int32_t width, int32_t height);
// Writes bytes to a host or device path (see ReadFile), replacing the file.
bool WriteFile(std::u16string_view path, const std::vector<uint8_t>& bytes, std::string* error = nullptr);

}  // namespace platform::imaging
