#include "TextFold.h"

#include "base/Text.h"

namespace catalogd {
namespace {

char16_t FoldOne(char16_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c >= 0x100 && c <= 0x137) return c | 1;
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177) return c | 1;
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return c + 0x25;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 0x3F;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
    if (c == 0x3C2) return 0x3C3;  // final sigma searches like any sigma
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x460 && c <= 0x481) return c | 1;
    if (c >= 0x48A && c <= 0x4BF) return c | 1;
    if (c >= 0x4D0 && c <= 0x52F) return c | 1;
    return c;
}

}  // namespace

std::string FoldCase(std::string_view utf8) {
    std::u16string wide = text::Utf8ToUtf16(utf8);
    for (char16_t& c : wide) c = FoldOne(c);
    return text::Utf16ToUtf8(wide);
}

size_t CharCount(std::string_view utf8) {
    size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace catalogd
