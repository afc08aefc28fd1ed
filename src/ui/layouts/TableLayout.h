#pragma once
#include <cstdint>
#include <vector>

#include "ui/layouts/BaseScrolledObjectLayout.h"

// A form in rows of fractional columns: each child has one cell descriptor
// (row, share of the inner width, rows spanned). A row holding a single cell
// is centred; the cells of a longer row follow each other from the left, one
// spacing apart. Until every child has its descriptor (a form still being
// filled) the children are left where they are.
class TableLayout : public BaseScrolledObjectLayout {
public:
    struct Cell {
        int row = 0;
        double fraction = 1.0;
        int rowSpan = 1;
    };

    TableLayout(std::vector<Cell> cells, int32_t spacing, int32_t rowHeight)
        : cells(std::move(cells)), spacing(spacing), rowHeight(rowHeight) {}
    void LayoutContent(GObject* owner, int reason) override;

private:
    // Cells from `first` on that still belong to the row starting there.
    int CellsInRow(size_t first) const;

    std::vector<Cell> cells;
    int32_t spacing;
    int32_t rowHeight;
};
