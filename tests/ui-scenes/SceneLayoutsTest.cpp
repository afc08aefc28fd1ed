#include <gtest/gtest.h>

#include "SceneTestSupport.h"
#include "ui/scenes/MultiSceneLayout.h"
#include "ui/scenes/SceneLayout.h"
#include "ui/scenes/SingleLayout.h"

namespace {

// A scene container of three roots on a server that steps animations.
struct Container {
    RecordingServer server{240, 320};
    shared_ptr<GObject> box = NewObject(0, 0, 240, 320);
    shared_ptr<MultiSceneLayout> layout{new MultiSceneLayout(nullptr, 50)};
    int ended = 0;

    Container() {
        server.GetRoot()->AddChild(box);
        for (int i = 0; i < 3; ++i) box->AddChild(NewObject(0, 0, 1, 1));
        box->SetLayout(layout);
        SubscribeFn(layout->SlideEnded(), [this] { ++ended; });
    }
    std::vector<int> Xs() const {
        std::vector<int> xs;
        for (const auto& c : box->Children()) xs.push_back(c->X());
        return xs;
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) server.Tick(true, false);
    }
};

}  // namespace

TEST(MultiSceneLayoutTest, SlideMovesAllRootsTogetherInSixFrames) {
    Container c;
    c.layout->ShowIndex(0, false);
    c.layout->ShowIndex(1, true);
    EXPECT_TRUE(c.layout->IsSliding());
    c.Frames(3);
    auto mid = c.Xs();
    EXPECT_LT(mid[1], 240);
    EXPECT_GT(mid[1], 0);
    EXPECT_EQ(mid[0] + 240, mid[1]);  // in lockstep
    EXPECT_EQ(mid[1] + 240, mid[2]);
    EXPECT_EQ(c.ended, 1);  // only the jump so far: a jump is done at once
    c.Frames(3);
    EXPECT_EQ(c.Xs(), (std::vector<int>{-240, 0, 240})) << "the others wait off-screen left and right";
    for (const auto& root : c.box->Children()) EXPECT_EQ(root->GetRect(), Rect(root->X(), 0, 240, 320));
    EXPECT_EQ(c.ended, 2);
    EXPECT_FALSE(c.layout->IsSliding());
    c.Frames(5);
    EXPECT_EQ(c.ended, 2);
}

// A push arriving while the previous slide still runs must not leave two
// animations fighting over the roots, and the first slide still reports its
// end so that a shell waiting for it is never stuck.
TEST(MultiSceneLayoutTest, ANewSlideTakesOverARunningOne) {
    Container c;
    c.layout->ShowIndex(0, false);
    c.layout->ShowIndex(1, true);
    c.Frames(2);
    c.layout->ShowIndex(2, true);
    EXPECT_EQ(c.ended, 2);
    c.Frames(10);
    EXPECT_EQ(c.Xs(), (std::vector<int>{-480, -240, 0}));
    EXPECT_EQ(c.ended, 3);
}

TEST(MultiSceneLayoutTest, DestroyedWhileSlidingStaysSilent) {
    Container c;
    c.layout->ShowIndex(0, false);
    c.layout->ShowIndex(1, true);
    c.Frames(1);
    c.box->SetLayout(nullptr);
    c.layout = nullptr;  // the animator still holds the chain
    c.Frames(8);         // ASan reports any call into the freed layout
    EXPECT_EQ(c.box->ChildAt(1)->X() + 240, c.box->ChildAt(2)->X());
}

TEST(SceneLayoutTest, BarsAndBody) {
    auto root = NewObject(0, 0, 200, 300);
    auto body = NewObject(0, 0, 1, 1);
    root->AddChild(body, SceneLayout::Body);
    root->SetLayout(shared_ptr<Layout>(new SceneLayout(30)));
    // The top bar's room is kept even without a top bar.
    EXPECT_EQ(body->GetRect(), Rect(0, 30, 200, 270));

    auto second = NewObject(0, 0, 1, 1);
    auto top = NewObject(0, 0, 1, 1);
    root->AddChild(second, SceneLayout::SecondBar);
    root->AddChild(top, SceneLayout::TopBar);
    EXPECT_EQ(top->GetRect(), Rect(0, 0, 200, 30));
    EXPECT_EQ(second->GetRect(), Rect(0, 30, 200, 30));
    EXPECT_EQ(body->GetRect(), Rect(0, 60, 200, 240));
}

TEST(SingleLayoutTest, AlignsOrStretchesWithinTheMargins) {
    auto owner = NewObject(0, 0, 101, 61);
    auto child = NewObject(0, 0, 20, 10);
    owner->AddChild(child);
    shared_ptr<SingleLayout> centre(new SingleLayout(SingleLayout::Centre, SingleLayout::End, false));
    owner->SetLayout(centre);
    EXPECT_EQ(child->GetRect(), Rect(40, 51, 20, 10));
    centre->SetMargins(10, 5, 1, 3);
    EXPECT_EQ(child->GetRect(), Rect(10 + (90 - 20) / 2, 5 + 53 - 10, 20, 10));

    shared_ptr<SingleLayout> stretch(new SingleLayout(SingleLayout::Start, SingleLayout::Start, true));
    owner->SetLayout(stretch);
    stretch->SetMargins(2, 3, 4, 5);
    EXPECT_EQ(child->GetRect(), Rect(2, 3, 95, 53));
}

// While the advertising strip shows, the scenes leave the bottom to it; a
// popup box covering the strip gives the room back.
TEST(MultiSceneLayoutTest, ScenesLeaveRoomForTheAdvertisingStrip) {
    TestHost host;
    auto box = NewObject(0, 0, 240, 320);
    box->AddChild(NewObject(0, 0, 1, 1));
    shared_ptr<MultiSceneLayout> layout(new MultiSceneLayout(&host, 50));
    box->SetLayout(layout);
    EXPECT_EQ(box->ChildAt(0)->Height(), 320);
    host.advertising = true;
    layout->ShowIndex(0, false);
    EXPECT_EQ(box->ChildAt(0)->Height(), 270);
    host.CoverAdvertising(true);
    layout->ShowIndex(0, false);
    EXPECT_EQ(box->ChildAt(0)->Height(), 320);
}
