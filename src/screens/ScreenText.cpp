#include "screens/ScreenText.h"

#include "base/Text.h"

namespace screentext {

std::u16string FromWire(std::u16string_view text) { return text::ReplaceAll(text, u"--br--", u"\r"); }

std::u16string ToWire(std::u16string_view text) { return text::ReplaceAll(text, u"\n", u"--br--"); }

std::u16string ReplaceFirst(std::u16string_view text, std::u16string_view placeholder, std::u16string_view value) {
    std::u16string out(text);
    const size_t at = out.find(placeholder);
    if (at != std::u16string::npos) out.replace(at, placeholder.size(), value);
    return out;
}

std::u16string WithCount(std::u16string_view text, int64_t count) {
    return std::u16string(text) + u"(" + text::ToU16(count) + u")";
}

std::u16string ScreenshotCaption(std::u16string_view title, size_t index) {
    // The page title is a plural; one picture drops its last letter.
    std::u16string caption(title.substr(0, title.empty() ? 0 : title.size() - 1));
    return caption + u" " + text::ToU16(static_cast<int64_t>(index) + 1) + u":";
}

}  // namespace screentext
