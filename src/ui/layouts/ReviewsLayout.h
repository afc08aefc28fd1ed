#pragma once
#include "ui/layouts/TextLayout.h"

// The column of review items: each item is its review text, fitted like a
// label, plus room for its bottom line (author and stars, ReviewLayout).
class ReviewsLayout : public TextLayout {
public:
    void LayoutContent(GObject* owner, int reason) override;
};
