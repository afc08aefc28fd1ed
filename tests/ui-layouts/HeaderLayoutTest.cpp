#include <gtest/gtest.h>

#include "LayoutTestSupport.h"
#include "ui/layouts/SimpleHeaderLayout.h"

namespace {

using H = SimpleHeaderLayout;

// (bar, natural widths of back link, separator and title, right icon) ->
// rectangles. A wide back link stays whole while the line fits; when it does
// not, the title keeps its width and the back link takes the rest, but never
// less than a quarter of the bar however long the title; the title ends
// before the icon.
TEST(SimpleHeaderLayoutTest, TheTitleTakesWhatTheBackLinkAndTheIconLeave) {
    struct Case {
        int32_t width, height, back, separator, title;
        bool icon;
        std::vector<Placed> placed;
    } cases[] = {
        {240, 30, 0, 0, 50, false, {{H::Title, {4, 0, 232, 30}}, {H::BackLink, {4, 0, 0, 30}}}},
        {240, 30, 60, 10, 100, true,
         {{H::RightIcon, {214, 4, 22, 22}}, {H::BackLink, {4, 0, 60, 30}}, {H::Separator, {64, 0, 10, 30}},
          {H::Title, {74, 0, 134, 30}}}},
        {240, 30, 120, 10, 100, false, {{H::BackLink, {4, 0, 120, 30}}, {H::Title, {134, 0, 104, 30}}}},
        {240, 30, 120, 10, 150, false,
         {{H::BackLink, {4, 0, 74, 30}}, {H::Separator, {78, 0, 10, 30}}, {H::Title, {88, 0, 150, 30}}}},
        {600, 30, 120, 10, 150, false, {{H::BackLink, {4, 0, 120, 30}}, {H::Title, {134, 0, 464, 30}}}},
        {176, 36, 64, 12, 81, true, {{H::BackLink, {4, 0, 43, 36}}, {H::Title, {59, 0, 81, 36}}}},
        {176, 36, 64, 12, 300, true, {{H::BackLink, {4, 0, 35, 36}}, {H::Title, {51, 0, 89, 36}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " " + std::to_string(c.back) + " " + std::to_string(c.title));
        auto header = Box(c.width, c.height);
        AddChildren(*header, {H::BackLink, H::Separator, H::Title});
        if (c.icon) AddChildren(*header, {H::RightIcon});
        header->SetLayout(shared_ptr<Layout>(new SimpleHeaderLayout(c.back, c.separator, c.title, 4)));
        ExpectPlaced(*header, c.placed);
        if (c.icon) {
            EXPECT_LE(RectOf(*header, H::Title).Right(), RectOf(*header, H::RightIcon).x);
        }
    }
}

}  // namespace
