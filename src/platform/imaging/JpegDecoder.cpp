#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <string>

#include "platform/imaging/Bitmap.h"

namespace platform::imaging {

namespace {

// Progressive files may carry any number of scans, each costing a pass over
// the whole image; real photographs have a dozen at most.
constexpr int kMaxScans = 500;

struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    longjmp(e->jump, 1);
}

// A file that ends early is reported as a warning and padded with grey by
// the library; we refuse it instead of showing half a picture.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level == -1 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(e->message, sizeof e->message, "the file is truncated");
        longjmp(e->jump, 1);
    }
}

void OnProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (cinfo->is_decompressor && d->input_scan_number > kMaxScans) {
        auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(e->message, sizeof e->message, "too many scans");
        longjmp(e->jump, 1);
    }
}

struct Session {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    bool created = false;
    std::vector<uint8_t> row;
    ~Session() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

}  // namespace

// Everything between setjmp and the last library call stays free of objects
// with destructors; the message goes out through the session's buffer.
static bool Run(Session& s, const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options) {
    if (setjmp(s.err.jump)) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.progress.progress_monitor = OnProgress;
    s.cinfo.progress = &s.progress;
    s.cinfo.mem->max_memory_to_use = 256L << 20;
    jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s.cinfo, TRUE);

    const int64_t w = s.cinfo.image_width, h = s.cinfo.image_height;
    if (!WithinLimits(w, h, options.limits)) {
        // The decoder scales by 1/2, 1/4 or 1/8 on its own, cheaply: that is
        // the reduced decode of a large photograph.
        bool reduced = false;
        if (options.allowReduced && w * h <= options.maxSourcePixels)
            for (unsigned denom : {2u, 4u, 8u})
                if (WithinLimits((w + denom - 1) / denom, (h + denom - 1) / denom, options.limits)) {
                    s.cinfo.scale_num = 1;
                    s.cinfo.scale_denom = denom;
                    reduced = true;
                    break;
                }
        if (!reduced) {
            std::snprintf(s.err.message, sizeof s.err.message, "the image is too large (%lldx%lld)",
                          static_cast<long long>(w), static_cast<long long>(h));
            return false;
        }
    }
    s.cinfo.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&s.cinfo);
    const uint32_t ow = s.cinfo.output_width, oh = s.cinfo.output_height;
    if (!WithinLimits(ow, oh, options.limits)) {
        std::snprintf(s.err.message, sizeof s.err.message, "the image is too large");
        return false;
    }
    out.width = static_cast<int32_t>(ow);
    out.height = static_cast<int32_t>(oh);
    out.hasAlpha = false;
    out.rgba.assign(static_cast<size_t>(ow) * oh * 4, 0xFF);
    while (s.cinfo.output_scanline < oh) {
        JSAMPROW row = &out.rgba[static_cast<size_t>(s.cinfo.output_scanline) * ow * 4];
        if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1) {
            std::snprintf(s.err.message, sizeof s.err.message, "no more scan lines");
            return false;
        }
    }
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options, std::string& error) {
    Session s;
    s.cinfo.err = jpeg_std_error(&s.err.base);
    s.err.base.error_exit = OnError;
    s.err.base.emit_message = OnMessage;
    if (Run(s, data, size, out, options)) return true;
    error = std::string("JPEG: ") + s.err.message;
    return false;
}

}  // namespace platform::imaging
