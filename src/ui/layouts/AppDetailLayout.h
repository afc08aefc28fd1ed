#pragma once
#include <cstdint>

#include "ui/layouts/BaseScrolledObjectLayout.h"

// The application details page: icon with the action buttons below it on
// the left; publisher, version, a caption and the description to its right;
// then, under whichever of the two columns ends lower, the rating, the links
// to screenshots and reviews, and the list of tags. Missing children take no
// room.
class AppDetailLayout : public BaseScrolledObjectLayout {
public:
    static constexpr int32_t VersionCaption = 16;
    static constexpr int32_t Version = 17;
    static constexpr int32_t PublisherCaption = 18;
    static constexpr int32_t Icon = 19;
    static constexpr int32_t Publisher = 20;
    static constexpr int32_t FirstButton = 21;
    static constexpr int32_t SecondButton = 22;
    static constexpr int32_t Description = 23;
    static constexpr int32_t ListCaption = 24;
    static constexpr int32_t List = 25;
    static constexpr int32_t RatingCaption = 26;
    static constexpr int32_t Stars = 27;
    static constexpr int32_t VoteCount = 28;
    static constexpr int32_t ReviewsLink = 29;
    static constexpr int32_t ScreenshotsLink = 30;
    static constexpr int32_t WriteReviewLink = 31;
    static constexpr int32_t ThirdButton = 55;
    static constexpr int32_t DescriptionCaption = 56;

    // `captionWidth`, when given, is the room both head captions (publisher,
    // version) need; the values then follow it, so that captions in a large
    // font are not cut. It never takes more than two thirds of the text column.
    AppDetailLayout(int32_t starsWidth, int32_t starsHeight, int32_t captionWidth = 0)
        : starsWidth(starsWidth), starsHeight(starsHeight), captionWidth(captionWidth) {}
    void LayoutContent(GObject* owner, int reason) override;

private:
    // Each returns the y below what it placed.
    int32_t PlaceHead(GObject& owner) const;     // icon, captions, values, description
    int32_t PlaceButtons(GObject& owner) const;  // the left column under the icon
    void PlaceTail(GObject& owner, int32_t y) const;

    int32_t starsWidth, starsHeight;
    int32_t captionWidth;
};
