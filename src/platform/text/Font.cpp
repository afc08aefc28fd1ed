#include "platform/text/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "platform/device/DeviceRoot.h"

namespace platform::text {

namespace {

constexpr int32_t kDefaultSystemFontHeight = 16;

// A font file mapped read-only: the process shares the system's cached copy
// and only the parts a face reads (the tables and the glyphs drawn) become
// resident, instead of a private copy of the whole file per process.
struct MappedFile {
    const uint8_t* data = nullptr;
    size_t size = 0;

    explicit MappedFile(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size > 0) {
            void* p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (p != MAP_FAILED) {
                data = static_cast<const uint8_t*>(p);
                size = static_cast<size_t>(st.st_size);
            }
        }
        ::close(fd);
    }
    ~MappedFile() {
        if (data) ::munmap(const_cast<uint8_t*>(data), size);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
};

// One FreeType library and one mapping of each font file for the process;
// every Font opens its own face over the shared bytes, because a face
// carries one size at a time.
struct Library {
    FT_Library library = nullptr;
    std::map<std::string, std::unique_ptr<MappedFile>> files;
    // Recursive: a face that fails half-way through Create closes itself
    // while Create still holds the lock.
    std::recursive_mutex mutex;

    Library() {
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }
    ~Library() {
        if (library) FT_Done_FreeType(library);
    }
    const MappedFile* File(const std::string& name) {
        auto it = files.find(name);
        if (it != files.end()) return it->second.get();
        auto file = std::make_unique<MappedFile>(FontDirectory() + "/" + name);
        if (!file->data) return nullptr;
        return files.emplace(name, std::move(file)).first->second.get();
    }
};

// Never destroyed: fonts kept by other process-wide objects (the font
// manager, the system font) close their faces during exit, in whatever order.
Library& SharedLibrary() {
    static Library* library = new Library();
    return *library;
}

int32_t Pixels26(FT_Pos v) { return static_cast<int32_t>((v + 32) >> 6); }

}  // namespace

struct Font::Face {
    FT_Face face = nullptr;
    // Faces come and go on more than one thread (pages are built on their
    // loading threads); the library's list of faces takes one at a time.
    ~Face() {
        if (!face) return;
        std::lock_guard<std::recursive_mutex> lock(SharedLibrary().mutex);
        FT_Done_Face(face);
    }
};

std::string FontDirectory() {
    if (const char* env = std::getenv("TOBRIX_FONT_DIR"); env && *env) return env;
    return TOBRIX_FONT_DIR;
}

std::unique_ptr<Font> Font::Create(const FontDescription& requested) {
    FontDescription d = requested;
    if (d.height == 0) d.height = SystemFontDescription().height;
    Library& lib = SharedLibrary();
    std::lock_guard<std::recursive_mutex> lock(lib.mutex);
    if (!lib.library) return nullptr;
    const MappedFile* file = lib.File(d.weight >= 600 ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf");
    if (!file) return nullptr;
    auto face = std::make_unique<Face>();
    if (FT_New_Memory_Face(lib.library, file->data, static_cast<FT_Long>(file->size), 0, &face->face) != 0)
        return nullptr;
    // A positive height is the whole cell (ascent + descent), as the
    // platform's font heights are; a negative one is the em size.
    FT_Size_RequestRec req{};
    req.type = d.height > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
    req.height = static_cast<FT_Long>(d.height > 0 ? d.height : -d.height) << 6;
    if (FT_Request_Size(face->face, &req) != 0) return nullptr;
    std::unique_ptr<Font> font(new Font(d, std::move(face)));
    return font;
}

Font::Font(const FontDescription& d, std::unique_ptr<Face> f) : description(d), face(std::move(f)) {
    const FT_Size_Metrics& m = face->face->size->metrics;
    ascent = Pixels26(m.ascender);
    descent = Pixels26(-m.descender);
    // A requested cell height is what the line takes, whatever the rounding.
    if (d.height > 0 && ascent + descent != d.height) descent = std::max(0, d.height - ascent);
    FT_Fixed scale = m.y_scale;
    underlinePosition = std::max(1, Pixels26(-FT_MulFix(face->face->underline_position, scale)));
    underlineThickness = std::max(1, Pixels26(FT_MulFix(face->face->underline_thickness, scale)));
}

Font::~Font() = default;

const Glyph& Font::GetGlyph(char32_t codePoint) {
    auto it = glyphs.find(codePoint);
    if (it != glyphs.end()) return it->second;
    Glyph g;
    FT_Face f = face->face;
    FT_UInt index = FT_Get_Char_Index(f, codePoint);
    if (FT_Load_Glyph(f, index, FT_LOAD_TARGET_LIGHT) == 0 && FT_Render_Glyph(f->glyph, FT_RENDER_MODE_NORMAL) == 0) {
        FT_GlyphSlot slot = f->glyph;
        g.advance = Pixels26(slot->advance.x);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.width > 0 && bm.rows > 0) {
            g.width = static_cast<int32_t>(bm.width);
            g.rows = static_cast<int32_t>(bm.rows);
            g.coverage.resize(static_cast<size_t>(g.width) * g.rows);
            for (int32_t y = 0; y < g.rows; ++y) {
                const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
                std::copy(src, src + g.width, g.coverage.begin() + static_cast<ptrdiff_t>(y) * g.width);
            }
        }
    }
    return glyphs.emplace(codePoint, std::move(g)).first->second;
}

FontDescription SystemFontDescription() {
    FontDescription d;
    d.height = HasCurrentDevice() ? CurrentDevice().Info().systemFontHeight : kDefaultSystemFontHeight;
    if (d.height <= 0) d.height = kDefaultSystemFontHeight;
    return d;
}

Font& SystemFont() {
    static std::unique_ptr<Font> font = Font::Create(SystemFontDescription());
    if (!font) throw std::runtime_error("the system font (DejaVuSans.ttf) cannot be read from " + FontDirectory());
    return *font;
}

}  // namespace platform::text
