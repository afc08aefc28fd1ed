// Fuzz target for the HTML viewer's pages: whatever the markup (up to the
// first NUL byte) and the style sheet it links to (the rest), the page is
// built, laid out at a strip's sizes, drawn, read and tapped without a fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/htmlview/Page.h"

using namespace platform::htmlview;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string markup = input.substr(0, split);
    const std::string sheet = split == std::string::npos ? std::string() : input.substr(split + 1);
    PageSettings settings;
    settings.dpi = 192;
    settings.defaultFontSize = 24;
    Fetcher fetch = [&sheet](const std::string& url, std::size_t limit) -> std::optional<std::string> {
        if (url.size() < 4 || url.compare(url.size() - 4, 4, ".css") != 0 || sheet.size() > limit) return std::nullopt;
        return sheet;
    };
    auto page = Page::FromMarkup(markup, "http://ads.example/ads/admob.php", settings, fetch);
    fuzz::Check(page != nullptr, "a page is made of any markup");
    for (auto [w, h] : {std::pair{482, 121}, std::pair{178, 61}}) {
        page->Layout(w, h);
        std::vector<std::uint16_t> pixels(static_cast<size_t>(w) * h, 0xFFFF);
        PageCanvas canvas(pixels.data(), w, h);
        page->Draw(canvas);
        page->StylusDown(w / 2, h / 2);
        if (auto link = page->StylusUp(w / 2, h / 2)) fuzz::Check(!link->empty(), "a tapped link is never empty");
    }
    (void)page->VisibleText();
    return 0;
}
