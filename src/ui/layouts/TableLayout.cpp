#include "ui/layouts/TableLayout.h"

#include "ui/layouts/LayoutSupport.h"

int TableLayout::CellsInRow(size_t first) const {
    int n = 0;
    for (size_t i = first; i < cells.size() && cells[i].row <= cells[first].row; ++i) ++n;
    return n;
}

void TableLayout::LayoutContent(GObject* owner, int) {
    const auto children = layout::Children(*owner);
    if (children.size() != cells.size()) return;
    const int32_t s = spacing;
    const int32_t inner = owner->Width() - 2 * s;
    int32_t x = s;
    int currentRow = -1;
    for (size_t i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells[i];
        int n = 0;  // only the first cell of a row looks at the row's length
        if (cell.row != currentRow) {
            currentRow = cell.row;
            n = CellsInRow(i);
            x = s;
            if (n == 1) x = s + (inner - static_cast<int32_t>((inner - s) * cell.fraction)) / 2;
        }
        int32_t share = static_cast<int32_t>(inner * cell.fraction);
        int32_t width = n == 1 ? share - 2 * s : share - s;
        children[i]->SetRect(Rect(x, s + (s + rowHeight) * cell.row, width, rowHeight * cell.rowSpan));
        x += s + width;
    }
}
