#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/imaging/Bitmap.h"

namespace platform::imaging {

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t offset = 0;
    char message[128] = "corrupt PNG";
};

void ReadBytes(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (n > r->size - r->offset) png_error(png, "the file is truncated");
    std::memcpy(out, r->data + r->offset, n);
    r->offset += n;
}

void OnError(png_structp png, png_const_charp message) {
    auto* r = static_cast<Reader*>(png_get_error_ptr(png));
    if (r && message) std::snprintf(r->message, sizeof r->message, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Everything the rest of the work needs that must survive a longjmp lives
// here, outside the frame that setjmp returns into.
struct Session {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t> row;
    std::optional<RowReducer> reducer;
    bool rowsDone = false;
    ~Session() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

}  // namespace

// Everything between setjmp and the last library call stays free of objects
// with destructors; the reason for a failure goes out as a static text.
static bool Run(Session& s, Reader& reader, Bitmap& out, const DecodeOptions& options, const char*& why) {
    if (setjmp(png_jmpbuf(s.png))) {
        // Every pixel arrived: a damaged tail (no end chunk) costs nothing.
        if (s.rowsDone) return true;
        why = nullptr;
        return false;
    }
    png_set_read_fn(s.png, &reader, ReadBytes);
    // libpng's own guards against hostile headers and ancillary chunks.
    int64_t hardSide = options.allowReduced ? 1 << 20 : options.limits.maxSide;
    png_set_user_limits(s.png, static_cast<png_uint_32>(hardSide), static_cast<png_uint_32>(hardSide));
    png_set_chunk_cache_max(s.png, 1000);
    png_set_chunk_malloc_max(s.png, 8u << 20);
    png_read_info(s.png, s.info);

    png_uint_32 w = 0, h = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(s.png, s.info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
    const bool transparent = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(s.png, s.info, PNG_INFO_tRNS);

    int32_t factor = 1;
    if (!WithinLimits(w, h, options.limits)) {
        if (!options.allowReduced || int64_t{w} * h > options.maxSourcePixels || interlace != PNG_INTERLACE_NONE)
            factor = 0;
        else
            factor = ReductionFactor(w, h, options.limits);
        if (factor == 0) {
            why = "the image is too large";
            return false;
        }
    }

    // Whatever the file holds comes out as 8-bit RGBA.
    png_set_expand(s.png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(s.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(s.png);
    png_set_add_alpha(s.png, 0xFF, PNG_FILLER_AFTER);
    int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != static_cast<size_t>(w) * 4) {
        why = "unexpected PNG layout";
        return false;
    }

    out.hasAlpha = transparent;
    if (factor == 1) {
        out.width = static_cast<int32_t>(w);
        out.height = static_cast<int32_t>(h);
        out.rgba.assign(static_cast<size_t>(w) * h * 4, 0);
        // Interlaced images are assembled in place over several passes.
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < h; ++y) png_read_row(s.png, &out.rgba[static_cast<size_t>(y) * w * 4], nullptr);
    } else {
        s.reducer.emplace(static_cast<int32_t>(w), static_cast<int32_t>(h), factor, out);
        s.row.resize(static_cast<size_t>(w) * 4);
        for (png_uint_32 y = 0; y < h; ++y) {
            png_read_row(s.png, s.row.data(), nullptr);
            s.reducer->AddRow(s.row.data());
        }
        s.reducer->Finish();
    }
    s.rowsDone = true;
    png_read_end(s.png, nullptr);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options, std::string& error) {
    Reader reader{data, size};
    Session s;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnError, OnWarning);
    if (s.png) s.info = png_create_info_struct(s.png);
    if (!s.png || !s.info) return error = "out of memory", false;
    const char* why = nullptr;
    if (Run(s, reader, out, options, why)) return true;
    error = std::string("PNG: ") + (why ? why : reader.message);
    return false;
}

}  // namespace platform::imaging
