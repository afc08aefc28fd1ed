#include "formats/JpegWriter.h"

#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>

namespace formats {
namespace {

// libjpeg's default error handler exits the process; this one jumps back.
struct ErrorJump {
    jpeg_error_mgr manager;
    jmp_buf back;
};

void JumpBack(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->back, 1); }

// Owns the compressor and its memory destination.
struct Session {
    jpeg_compress_struct info{};
    ErrorJump error{};
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    ~Session() {
        jpeg_destroy_compress(&info);
        std::free(memory);
    }
};

void OverWhite(const uint8_t* rgba, int width, uint8_t* rgb) {
    for (int x = 0; x < width; ++x) {
        const uint8_t* p = &rgba[static_cast<size_t>(x) * 4];
        for (int c = 0; c < 3; ++c) rgb[x * 3 + c] = static_cast<uint8_t>((p[c] * p[3] + 255 * (255 - p[3])) / 255);
    }
}

// No object with a destructor may live here: errors arrive by longjmp.
bool Run(Session& s, int width, int height, const uint8_t* rgba, const JpegOptions& options, uint8_t* row) {
    if (setjmp(s.error.back)) return false;
    jpeg_create_compress(&s.info);
    jpeg_mem_dest(&s.info, &s.memory, &s.size);
    s.info.image_width = static_cast<JDIMENSION>(width);
    s.info.image_height = static_cast<JDIMENSION>(height);
    s.info.input_components = 3;
    s.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.info);
    jpeg_set_quality(&s.info, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&s.info);
    // Huffman tables fitted to the picture: the same pixels in fewer bytes.
    s.info.optimize_coding = TRUE;
    jpeg_start_compress(&s.info, TRUE);
    while (s.info.next_scanline < s.info.image_height) {
        OverWhite(&rgba[static_cast<size_t>(s.info.next_scanline) * width * 4], width, row);
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&s.info, rows, 1);
    }
    jpeg_finish_compress(&s.info);
    return true;
}

}  // namespace

bool EncodeJpeg(int width, int height, const uint8_t* rgba, const JpegOptions& options, std::vector<uint8_t>& out,
                std::string* error) {
    out.clear();
    if (width <= 0 || height <= 0 || !rgba) {
        if (error) *error = "nothing to encode";
        return false;
    }
    Session s;
    s.info.err = jpeg_std_error(&s.error.manager);
    s.error.manager.error_exit = JumpBack;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    if (!Run(s, width, height, rgba, options, row.data())) {
        if (error) *error = "JPEG encoding failed";
        return false;
    }
    out.assign(s.memory, s.memory + s.size);
    return true;
}

}  // namespace formats
