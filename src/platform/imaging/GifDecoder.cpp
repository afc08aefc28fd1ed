#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "platform/imaging/Bitmap.h"

namespace platform::imaging {

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t offset = 0;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<Reader*>(gif->UserData);
    size_t take = std::min(static_cast<size_t>(std::max(n, 0)), r->size - r->offset);
    std::memcpy(out, r->data + r->offset, take);
    r->offset += take;
    return static_cast<int>(take);
}

struct Session {
    GifFileType* gif = nullptr;
    ~Session() {
        int err = 0;
        if (gif) DGifCloseFile(gif, &err);
    }
};

// Skips the sub-blocks of an extension, noting the transparent colour of a
// graphic control extension.
bool ReadExtension(GifFileType* gif, int& transparentIndex) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 1)) transparentIndex = block[4];
    while (block) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
    }
    return true;
}

}  // namespace

// The first frame of the file, on its logical screen; what the frame does not
// cover is transparent.
bool DecodeGif(const uint8_t* data, size_t size, Bitmap& out, const DecodeOptions& options, std::string& error) {
    Reader reader{data, size};
    Session s;
    int err = 0;
    s.gif = DGifOpen(&reader, ReadBytes, &err);
    if (!s.gif) return error = "corrupt GIF", false;
    GifFileType* gif = s.gif;
    int transparentIndex = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK) return error = "corrupt or truncated GIF", false;
        if (type == TERMINATE_RECORD_TYPE) return error = "the GIF holds no image", false;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif, transparentIndex)) return error = "corrupt GIF extension", false;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) != GIF_OK) return error = "corrupt GIF image", false;
        break;
    }
    const GifImageDesc& d = gif->Image;
    const int64_t fx = d.Left, fy = d.Top, fw = d.Width, fh = d.Height;
    const int64_t cw = std::max<int64_t>(gif->SWidth, fx + fw), ch = std::max<int64_t>(gif->SHeight, fy + fh);
    if (!WithinLimits(cw, ch, options.limits) || fw <= 0 || fh <= 0) {
        error = "the image is too large or empty (" + std::to_string(cw) + "x" + std::to_string(ch) + ")";
        return false;
    }
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map || !map->Colors) return error = "the GIF has no colour table", false;

    out.width = static_cast<int32_t>(cw);
    out.height = static_cast<int32_t>(ch);
    out.rgba.assign(static_cast<size_t>(cw) * ch * 4, 0);
    out.hasAlpha = transparentIndex >= 0 || fx > 0 || fy > 0 || fw < cw || fh < ch;

    std::vector<GifPixelType> line(static_cast<size_t>(fw));
    auto put = [&](int64_t y) {
        uint8_t* row = &out.rgba[(static_cast<size_t>(fy + y) * cw + fx) * 4];
        for (int64_t x = 0; x < fw; ++x, row += 4) {
            int index = line[static_cast<size_t>(x)];
            if (index == transparentIndex) continue;
            // An index beyond the table is damage; it shows as black.
            const GifColorType c = index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
            row[0] = c.Red;
            row[1] = c.Green;
            row[2] = c.Blue;
            row[3] = 0xFF;
        }
    };
    if (d.Interlace) {
        static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int64_t y = start[pass]; y < fh; y += step[pass]) {
                if (DGifGetLine(gif, line.data(), static_cast<int>(fw)) != GIF_OK) return error = "truncated GIF", false;
                put(y);
            }
    } else {
        for (int64_t y = 0; y < fh; ++y) {
            if (DGifGetLine(gif, line.data(), static_cast<int>(fw)) != GIF_OK) return error = "truncated GIF", false;
            put(y);
        }
    }
    return true;
}

}  // namespace platform::imaging
