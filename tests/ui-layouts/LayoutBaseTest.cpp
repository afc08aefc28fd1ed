#include <gtest/gtest.h>

#include <algorithm>

#include "LayoutTestSupport.h"
#include "ui/layouts/BaseScrolledObjectLayout.h"
#include "ui/layouts/TextLayout.h"

namespace {

struct CountingLayout : Layout {
    int runs = 0, depth = 0, deepest = 0;
    bool lockInside = false, unlockInside = false;
    void Apply(GObject*, int) override {
        ++runs;
        deepest = std::max(deepest, ++depth);
        if (depth == 1 && lockInside) Lock();
        if (depth == 1 && unlockInside) Unlock();
        --depth;
    }
};

TEST(LayoutLock, ALockTakenWhileRunningOutlivesTheRunAndAnUnlockDoesNotNest) {
    auto owner = Box(100, 100);
    owner->AddChild(Box(1, 1));
    shared_ptr<CountingLayout> locking(new CountingLayout());
    locking->lockInside = true;
    owner->SetLayout(locking);
    EXPECT_TRUE(locking->IsBusy()) << "the lock taken inside the run is still held";
    owner->SetSize(50, 50);
    EXPECT_EQ(locking->runs, 1);
    locking->lockInside = false;
    locking->Unlock();
    EXPECT_EQ(locking->runs, 2);

    shared_ptr<CountingLayout> unlocking(new CountingLayout());
    unlocking->lockInside = unlocking->unlockInside = true;
    owner->SetLayout(unlocking);
    EXPECT_EQ(unlocking->deepest, 1) << "a layout never runs inside itself";
    EXPECT_FALSE(unlocking->IsBusy());
}

// Places its children at fixed heights, so that the owner's final height
// shows the margin rule alone.
struct FixedContent : BaseScrolledObjectLayout {
    std::vector<Rect> places;
    int runs = 0;
    void LayoutContent(GObject* owner, int) override {
        ++runs;
        for (int i = 0; i < owner->ChildCount(); ++i) owner->ChildAt(i)->SetRect(places[static_cast<size_t>(i)]);
    }
};

TEST(ScrolledLayout, TheBottomMarginEqualsTheTopOneOnlyWhenTheContentOverflows) {
    auto view = Box(200, 300);
    auto content = Box(200, 10);
    view->AddChild(content);
    shared_ptr<FixedContent> layout(new FixedContent());
    layout->places = {Rect(0, 12, 50, 100), Rect(0, 150, 50, 100)};
    content->AddChild(Box(1, 1));
    content->AddChild(Box(1, 1));
    content->SetLayout(layout);
    EXPECT_EQ(content->Height(), 250) << "fits in the view: no bottom margin";
    EXPECT_EQ(layout->runs, 1) << "setting its own owner's height does not run the layout again";

    layout->places[1] = Rect(0, 250, 50, 100);
    layout->Update(LayoutRelayout);
    EXPECT_EQ(content->Height(), 350 + 12);

    // The top margin reused at the bottom is capped, and content with no
    // parent counts as overflowing.
    auto loose = Box(200, 10);
    shared_ptr<FixedContent> far(new FixedContent());
    far->places = {Rect(0, 140, 10, 10)};
    loose->AddChild(Box(1, 1));
    loose->SetLayout(far);
    EXPECT_EQ(loose->Height(), 150 + 100);
}

TEST(ScrolledLayout, APlaceholderOfOneByOneIsLeftAlone) {
    auto placeholder = Box(1, 1);
    shared_ptr<FittingText> text(new FittingText(40));
    text->SetRect(Rect(3, 3, 5, 5));
    placeholder->AddChild(text);
    placeholder->SetLayout(shared_ptr<Layout>(new TextLayout()));
    EXPECT_EQ(placeholder->GetRect(), Rect(0, 0, 1, 1));
    EXPECT_EQ(text->GetRect(), Rect(3, 3, 5, 5));
}

}  // namespace
