#pragma once
#include <cstdint>
#include <set>

#include "ui/layouts/BaseScrolledObjectLayout.h"

// A vertical list of rows of one height, touching each other. Rows listed as
// short (section captions between the rows) are one and a half font units
// high instead.
class ListLayout : public BaseScrolledObjectLayout {
public:
    explicit ListLayout(int32_t itemHeight, std::set<int> shortRows = {})
        : itemHeight(itemHeight), shortRows(std::move(shortRows)) {}
    void LayoutContent(GObject* owner, int reason) override;

private:
    int32_t itemHeight;
    std::set<int> shortRows;
};
