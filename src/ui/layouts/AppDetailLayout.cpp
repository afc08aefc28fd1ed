#include "ui/layouts/AppDetailLayout.h"

#include <algorithm>

#include "ui/ITextFit.h"
#include "ui/layouts/LayoutSupport.h"

void AppDetailLayout::LayoutContent(GObject* owner, int) {
    int32_t textBottom = PlaceHead(*owner);
    int32_t buttonsBottom = PlaceButtons(*owner);
    PlaceTail(*owner, std::max(textBottom, buttonsBottom));
}

int32_t AppDetailLayout::PlaceHead(GObject& owner) const {
    const LayoutMetrics& m = layout::Metrics();
    const int32_t f = m.fontUnit, u = m.Half(), W = owner.Width();
    const int32_t valueColumn = 3 * f + 9 * u;
    const int32_t textWidth = W - 11 * u;
    layout::Place(owner, Icon, Rect(u, u, 8 * u, 8 * u));
    if (captionWidth > 0) {
        const int32_t caption = std::min(captionWidth, textWidth * 2 / 3);
        const int32_t value = 10 * u + caption + u;
        layout::Place(owner, PublisherCaption, Rect(10 * u, u, caption, 4 * u));
        layout::Place(owner, Publisher, Rect(value, u, W - value - u, 4 * u));
        layout::Place(owner, VersionCaption, Rect(10 * u, 6 * u, caption, 4 * u));
        layout::Place(owner, Version, Rect(value, 6 * u, W - value - u, 4 * u));
    } else {
        layout::Place(owner, PublisherCaption, Rect(10 * u, u, 3 * f, 4 * u));
        layout::Place(owner, Publisher, Rect(valueColumn + 2 * u, u, W / 2, 4 * u));
        const Rect versionCaption(10 * u, 6 * u, 5 * f, 4 * u);
        layout::Place(owner, VersionCaption, versionCaption);
        layout::Place(owner, Version, Rect(versionCaption.Right() + u, 6 * u, W / 2, 4 * u));
    }
    // Same column and width as the description below it, so that a long
    // caption ends inside the page and is cut like the other one-line labels.
    layout::Place(owner, DescriptionCaption, Rect(10 * u, 11 * u, textWidth, 4 * u));
    GObject* description = layout::Find(owner, Description);
    if (!description) return 0;
    auto* fit = dynamic_cast<ITextFit*>(description);
    int32_t height = fit ? fit->FittedHeight(textWidth) : description->Height();
    description->SetRect(Rect(10 * u, 14 * u, textWidth, height));
    return description->Y() + description->Height();
}

int32_t AppDetailLayout::PlaceButtons(GObject& owner) const {
    const int32_t u = layout::Metrics().Half();
    int32_t y = 10 * u;
    for (int32_t id : {FirstButton, SecondButton, ThirdButton})
        if (layout::Place(owner, id, Rect(u, y, 8 * u, 8 * u))) y += 9 * u;
    return y;
}

void AppDetailLayout::PlaceTail(GObject& owner, int32_t y) const {
    const int32_t u = layout::Metrics().Half(), f = layout::Metrics().fontUnit, W = owner.Width();
    if (layout::Place(owner, RatingCaption, Rect(u, y, W / 2, 4 * u))) y += 4 * u;
    // An application nobody rated has no stars, but its vote count line
    // ("no votes yet") still takes the row.
    bool stars = layout::Place(owner, Stars, Rect(u, y, starsWidth, starsHeight));
    bool votes = layout::Place(owner, VoteCount, Rect(starsWidth + 2 * u, y, 8 * u, starsHeight));
    if (stars || votes) y += starsHeight + u;
    for (int32_t id : {ScreenshotsLink, ReviewsLink, WriteReviewLink})
        if (layout::Place(owner, id, Rect(u, y, W - 3 * u, 5 * u))) y += 5 * u;
    if (layout::Place(owner, ListCaption, Rect(u, y, W - 2 * u, 4 * u))) y += 4 * u;
    if (GObject* list = layout::Find(owner, List)) list->SetRect(Rect(0, y, W, list->ChildCount() * 3 * f));
}
