#include "ui/FontManager.h"

FontManager::FontHandle FontManager::GetFont(int32_t weight, int32_t height, bool underline) {
    for (const Entry& e : entries)
        if (e.weight == weight && e.height == height && e.underline == underline) return e.font.get();
    platform::text::FontDescription d = platform::text::SystemFontDescription();
    d.height = height;
    d.weight = weight;
    d.underline = underline;
    auto font = platform::text::Font::Create(d);
    if (!font) return nullptr;
    entries.push_back(Entry{weight, height, underline, std::move(font)});
    return entries.back().font.get();
}
