#include "ui/widgets/traits/TMultiEdit.h"

std::vector<WrappedLine> WrapText(std::u16string_view text, int width,
                                  const std::function<int(std::u16string_view)>& measure) {
    std::vector<WrappedLine> lines;
    size_t paragraph = 0;
    for (;;) {
        const size_t end = std::min(text.find(u'\n', paragraph), text.size());
        size_t start = paragraph;
        do {
            // The longest run from `start` that fits, at least one character
            // so that a narrow box still makes progress.
            size_t fit = start + 1;
            while (fit < end && measure(text.substr(start, fit + 1 - start)) <= width) ++fit;
            if (start == end) fit = end;
            if (fit < end) {
                const size_t space = text.substr(start, fit - start).rfind(u' ');
                if (space != std::u16string_view::npos && space > 0) fit = start + space + 1;
            }
            lines.push_back(WrappedLine{start, fit - start});
            start = fit;
        } while (start < end);
        if (end >= text.size()) break;
        paragraph = end + 1;
    }
    return lines;
}
