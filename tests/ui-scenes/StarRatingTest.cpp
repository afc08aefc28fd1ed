#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/widgets/StarRating.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

std::vector<int> Frames(const StarRating& stars) {
    std::vector<int> out;
    for (int i = 0; i < StarRating::kStars; ++i) out.push_back(stars.StarFrame(i));
    return out;
}

constexpr int F = StarRating::Full, H = StarRating::Half, B = StarRating::Blank;

}  // namespace

TEST(StarRatingTest, ShowsHalfStars) {
    shared_ptr<StarRating> stars(new StarRating(0));
    const std::pair<int, std::vector<int>> rows[] = {
        {0, {B, B, B, B, B}}, {5, {F, F, H, B, B}}, {7, {F, F, F, H, B}}, {10, {F, F, F, F, F}}};
    for (const auto& [value, frames] : rows) {
        stars->SetValue(value);
        EXPECT_EQ(Frames(*stars), frames) << value;
    }
    stars->SetValue(14);  // a rating from the service outside the scale
    EXPECT_EQ(stars->GetValue(), 10);
    stars->SetValue(-3);
    EXPECT_EQ(stars->GetValue(), 0);
    // Every star shows its frame's picture (a frame without one would leave
    // the star as it was).
    stars->SetValue(5);
    for (int i = 0; i < StarRating::kStars; ++i) {
        auto* star = dynamic_cast<TImage<GObject>*>(stars->ChildAt(i).get());
        ASSERT_NE(star, nullptr);
        EXPECT_EQ(star->GetImageState(), stars->StarFrame(i)) << i;
    }

    stars->SetRect(Rect(0, 0, 100, 20));
    EXPECT_EQ(stars->ChildAt(4)->GetRect(), Rect(80, 0, 20, 20));
}

// Tapping star i of an editable rating picks i + 1 whole stars; only a
// completed tap counts, and a read-only rating ignores taps.
TEST(StarRatingTest, TapsPickWholeStars) {
    RecordingServer server(240, 320);
    shared_ptr<StarRating> editable(new StarRating(3, false));
    shared_ptr<StarRating> shown(new StarRating(3, true));
    editable->SetRect(Rect(0, 0, 100, 20));
    shown->SetRect(Rect(0, 50, 100, 20));
    server.GetRoot()->AddChild(editable);
    server.GetRoot()->AddChild(shown);

    Touch touch;
    Stylus(*server.GetRoot(), touch, Touch::Down, 70, 10);  // the fourth star
    EXPECT_EQ(editable->GetValue(), 3);
    Stylus(*server.GetRoot(), touch, Touch::Up, 70, 10);
    EXPECT_EQ(editable->GetValue(), 8);
    Tap(*server.GetRoot(), touch, 5, 10);
    EXPECT_EQ(editable->GetValue(), 2);
    Tap(*server.GetRoot(), touch, 70, 60);
    EXPECT_EQ(shown->GetValue(), 3);
}
