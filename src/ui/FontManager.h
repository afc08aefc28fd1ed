#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Singleton.h"
#include "platform/text/Font.h"

// Fonts by (weight, height, underline), each created once and kept for the
// life of the process, so that every label asking for the same look shares
// one font and its glyph cache.
class FontManager : public Singleton<FontManager> {
public:
    using FontHandle = platform::text::Font*;

    // Null only when the font files cannot be read.
    FontHandle GetFont(int32_t weight, int32_t height, bool underline = false);
    size_t FontCount() const { return entries.size(); }

private:
    friend class Singleton<FontManager>;
    FontManager() = default;

    struct Entry {
        int32_t weight;
        int32_t height;
        bool underline;
        std::unique_ptr<platform::text::Font> font;
    };
    std::vector<Entry> entries;
};
