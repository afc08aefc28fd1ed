#include <gtest/gtest.h>

#include <algorithm>

#include "WidgetTestSupport.h"
#include "platform/imaging/Pixel565.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

using namespace widgets;
namespace px = pixel565;

const uint16_t kRed = px::FromRgb(255, 0, 0);
const uint16_t kWhite = 0xFFFF;

shared_ptr<Surface> Solid(int w, int h, uint16_t color) {
    shared_ptr<Surface> s(new WMSurface(w, h));
    s->FillRect(Rect(0, 0, w, h), color);
    return s;
}

struct DrawingTest : WidgetFixture, ::testing::Test {
    uint16_t At(int x, int y) {
        server.Invalidate();
        Frames(1);
        return server.surface->PixelAt(x, y);
    }
};

TEST_F(DrawingTest, ImagesAreAlignedInTheirBoxOrStretchedToIt) {
    shared_ptr<Image> image(new Image());
    image->SetRect(Rect(0, 0, 40, 20));
    image->AddImageState(3, Solid(10, 10, kRed));
    image->SetImageState(3);
    image->SetAlign(Image::Centre, Image::Far);
    Root().AddChild(image);
    EXPECT_EQ(At(15, 10), kRed);
    EXPECT_EQ(At(14, 10), kWhite);
    EXPECT_EQ(At(24, 19), kRed);
    EXPECT_EQ(At(24, 9), kWhite);

    image->SetImageState(7);  // no such state: nothing changes
    EXPECT_EQ(image->GetImageState(), 3);

    image->SetStretch(true);
    image->SetInsets(2, 2, 2, 2);
    EXPECT_EQ(At(2, 2), kRed);
    EXPECT_EQ(At(37, 17), kRed);
    EXPECT_EQ(At(1, 1), kWhite);
    EXPECT_EQ(At(38, 18), kWhite);

    image->SetFill(0.5);  // a progress bar half full
    EXPECT_EQ(At(19, 10), kRed);
    EXPECT_EQ(At(23, 10), kWhite);
}

TEST_F(DrawingTest, ColourBarsAndRowSeparators) {
    shared_ptr<ColorBar> bar(new ColorBar());
    bar->SetRect(Rect(0, 0, 10, 10));
    bar->SetFillColor(255, 0, 0);
    bar->SetTransparency(128);
    Root().AddChild(bar);
    EXPECT_EQ(At(5, 5), px::Blend(kWhite, kRed, 128));

    shared_ptr<GObject> list = NewObject(0, 20, 50, 40);
    shared_ptr<ListRow> first(new ListRow()), second(new ListRow());
    first->SetRect(Rect(0, 0, 50, 20));
    second->SetRect(Rect(0, 20, 50, 20));
    first->SetLineColor(0, 0, 255);
    second->SetLineColor(0, 0, 255);
    list->AddChild(first);
    list->AddChild(second);
    Root().AddChild(list);
    const uint16_t blue = px::FromRgb(0, 0, 255);
    EXPECT_EQ(At(10, 20), blue) << "the first row has a line on top";
    EXPECT_EQ(At(10, 39), blue);
    EXPECT_EQ(At(10, 40), kWhite) << "later rows only at the bottom";
    EXPECT_EQ(At(10, 59), blue);
}

// A label fits its height to its wrapped text and knows when the text is cut:
// on one line past its width, wrapped past its bottom.
TEST_F(DrawingTest, LabelsFitTheirHeightToWrappedTextAndKnowWhenItIsCut) {
    shared_ptr<Label> label(new Label());
    label->SetText(u"Uninstall");
    label->SetInsets(3, 4, 3, 5);
    const int natural = label->NaturalWidth();
    label->SetSize(natural, 20);
    EXPECT_FALSE(label->IsTextCut()) << "exactly its width, insets included";
    label->SetSize(natural - 1, 20);
    EXPECT_TRUE(label->IsTextCut());
    label->SetWordWrap(true);
    label->SetText(u"");
    EXPECT_EQ(label->FittedHeight(100), 9) << "no text: only the insets";
    EXPECT_FALSE(label->IsTextCut());
    label->SetText(u"several words that cannot possibly stand on one narrow line");
    const int line = platform::text::SystemFont().LineHeight();
    EXPECT_EQ(label->FittedHeight(2000), line + 9);
    EXPECT_GE(label->FittedHeight(80), 3 * line + 9);
    label->SetSize(80, label->FittedHeight(80));
    EXPECT_FALSE(label->IsTextCut());
    label->SetSize(80, label->FittedHeight(80) - 1);
    EXPECT_TRUE(label->IsTextCut());
}

TEST_F(DrawingTest, LabelsDrawTheirTextAndFadeItTowardsWhite) {
    shared_ptr<Label> label(new Label());
    label->SetText(u"MMMM");
    label->SetRect(Rect(0, 0, 80, 30));
    Root().AddChild(label);
    At(0, 0);
    EXPECT_EQ(*std::min_element(server.surface->Pixels(), server.surface->Pixels() + 240 * 30), 0)
        << "black text is drawn";
    EXPECT_EQ(Label::FadedColor(0x000000, 128), 0x7F7F7Fu);
    EXPECT_EQ(Label::FadedColor(0x0000FF, 255), 0x000000FFu);
    EXPECT_EQ(Label::FadedColor(0x123456, 0), 0xFFFFFFu);
}

TEST_F(DrawingTest, AnimatedImagesCycleThroughTheirFrames) {
    shared_ptr<LoadingAnimation> spinner(new LoadingAnimation());
    for (int i = 0; i < 3; ++i) spinner->AddFrame(Solid(4, 4, static_cast<uint16_t>(i)));
    Root().AddChild(spinner);
    spinner->Play();
    for (int state : {1, 2, 0}) {
        Frames(1);
        EXPECT_EQ(spinner->GetImageState(), state);
    }
    spinner->StopPlaying();
    Frames(2);
    EXPECT_EQ(spinner->GetImageState(), 0);
}

TEST_F(DrawingTest, MovesAndFadesCanBeRestartedMidway) {
    shared_ptr<FadingMovable> box(new FadingMovable());
    shared_ptr<GObject> child = NewObject(0, 0, 5, 5);
    box->AddChild(child);
    Root().AddChild(box);
    box->MoveTo(100, 50, 6);
    Frames(3);
    EXPECT_GT(box->X(), 0);
    EXPECT_LT(box->X(), 100);
    box->MoveTo(-20, 0, 6);
    Frames(6);
    EXPECT_EQ(box->GetPosition(), (Point{-20, 0}));

    box->FadeTo(0, 4);
    Frames(2);
    box->FadeTo(200, 4);
    Frames(4);
    EXPECT_EQ(box->GetTransparency(), 200);
    EXPECT_EQ(child->GetTransparency(), 200) << "the fade carries the whole group";
}

TEST_F(DrawingTest, AWidgetGoneMidAnimationLeavesTheAnimatorHarmless) {
    shared_ptr<FadingMovable> box(new FadingMovable());
    Root().AddChild(box);
    box->MoveTo(100, 0, 10);
    box->FadeTo(0, 10);
    Root().RemoveChild(box);
    box = nullptr;
    Frames(12);  // the server still steps the animators of the dead widget
    EXPECT_EQ(server.AnimatorCount(), 0u);
}

}  // namespace
