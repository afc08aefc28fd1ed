#include "ui/layouts/ReviewsLayout.h"

#include "ui/layouts/LayoutSupport.h"

void ReviewsLayout::LayoutContent(GObject* owner, int) { StackFitted(owner, 3 * layout::Metrics().fontUnit); }
