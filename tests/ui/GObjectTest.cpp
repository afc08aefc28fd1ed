#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>

#include "UiTestSupport.h"
#include "ui/Layout.h"

namespace {

TEST(GObjectTree, ScreenRectFollowsAddMoveAndRemove) {
    auto parent = NewObject(10, 20, 100, 100);
    auto child = NewObject(5, 5, 10, 10);
    auto grandchild = NewObject(1, 2, 3, 3);
    child->AddChild(grandchild);
    parent->AddChild(child);
    parent->MoveBy(1, 1);
    EXPECT_EQ(grandchild->GetScreenRect(), Rect(17, 28, 3, 3));
    EXPECT_TRUE(parent->RemoveChild(child));
    EXPECT_EQ(grandchild->GetScreenRect(), Rect(6, 7, 3, 3));
    EXPECT_EQ(child->Parent(), nullptr) << "a removed child forgets its parent";

    // Added while still in another parent it moves (offset once); a loop is refused.
    auto other = NewObject(100, 0, 50, 50);
    other->AddChild(child);
    parent->AddChild(child);
    EXPECT_EQ(other->ChildCount(), 0);
    EXPECT_EQ(child->GetScreenRect(), Rect(16, 26, 10, 10));
    child->AddChild(parent);
    EXPECT_EQ(child->ChildCount(), 1);
}

// A child that outlives the parent it was removed from must not lead the next
// AddChild into the dead parent (ASan reports the read when it does); the
// parent's Destroyed fires, and its children go with it.
TEST(GObjectTree, ChildRemovedFromADeadParentCanBeAddedElsewhere) {
    shared_ptr<GObject> kept, keptFromAll;
    int destroyed = 0;
    {
        auto parent = NewObject(0, 0, 10, 10);
        kept = NewObject(1, 1, 2, 2);
        keptFromAll = NewObject(2, 2, 2, 2);
        parent->AddChild(kept);
        EXPECT_TRUE(parent->RemoveChild(kept));
        parent->AddChild(keptFromAll);
        parent->RemoveAllChildren();
        auto gone = NewObject(0, 0, 5, 5);
        SubscribeFn(parent->Destroyed(), [&]() { ++destroyed; });
        SubscribeFn(gone->Destroyed(), [&]() { destroyed += 10; });
        parent->AddChild(gone);
    }
    EXPECT_EQ(destroyed, 11);
    auto other = NewObject(50, 50, 20, 20);
    other->AddChild(kept);
    other->AddChild(keptFromAll);
    EXPECT_EQ(kept->Parent(), other.get());
    EXPECT_EQ(keptFromAll->GetScreenRect(), Rect(52, 52, 2, 2));
}

TEST(GObjectTree, IndexErrorsAndLookups) {
    auto p = NewObject(0, 0, 10, 10);
    auto a = NewObject(0, 0, 1, 1), b = NewObject(0, 0, 1, 1);
    p->AddChild(a, 7);
    p->AddChild(b, 7);
    shared_ptr<GObject> found;
    ASSERT_TRUE(p->FindChildById(7, found));
    EXPECT_EQ(found, a);
    EXPECT_THROW(p->ChildAt(2), std::out_of_range);
    EXPECT_THROW(p->RemoveChildAt(-1), std::out_of_range);
    EXPECT_THROW(p->RemoveChildAt(2), std::out_of_range) << "one past the last child";
    EXPECT_TRUE(p->RemoveChildById(7));
    EXPECT_EQ(p->ChildAt(0), b) << "the first match goes";
    EXPECT_FALSE(p->RemoveChild(a));
    GObject* parent = nullptr;
    EXPECT_FALSE(p->GetParent(parent));
    EXPECT_TRUE(b->GetParent(parent) && parent == p.get());
}

TEST(GObjectTree, AHandlerThatDropsItsSenderDoesNotFreeItMidEvent) {
    RecordingServer server;
    auto button = NewObject(0, 0, 50, 50);
    server.GetRoot()->AddChild(button);
    GObject* root = server.GetRoot().get();
    SubscribeFn(button->Touched(), [root](shared_ptr<GObject>& o, const Touch&) { root->RemoveChild(o); });
    GObject* raw = button.get();
    button = nullptr;
    Touch t;
    Stylus(*root, t, Touch::Down, 5, 5);
    EXPECT_EQ(root->ChildCount(), 0);
    t = Touch();  // drops the record's references: ASan reports any use after free
    (void)raw;
}

TEST(GObjectInvalidation, MarginsClipToParentAndDetachedObjects) {
    RecordingServer server;
    auto parent = NewObject(10, 10, 20, 20);
    auto child = NewObject(15, 15, 20, 20);
    child->SetClipToParent(true);
    parent->AddChild(child);
    server.ClearDirty();
    child->Invalidate();
    EXPECT_EQ(server.GetDirtyRect(), Rect()) << "not attached to the server yet";

    server.GetRoot()->AddChild(parent);
    server.ClearDirty();
    child->Invalidate();
    EXPECT_EQ(server.GetDirtyRect(), Rect(25, 25, 5, 5));

    server.ClearDirty();
    parent->SetDrawMargins(-2, -3, 4, 6);
    EXPECT_EQ(server.GetDirtyRect(), Rect(8, 7, 24, 26).Union(Rect(25, 25, 5, 5)))
        << "the grown rectangle, then every child";

    server.ClearDirty();
    auto offscreen = NewObject(-50, -50, 10, 10);
    server.GetRoot()->AddChild(offscreen);
    EXPECT_EQ(server.GetDirtyRect(), Rect());
}

// --- Touch -----------------------------------------------------------------

struct TouchFixture : ::testing::Test {
    RecordingServer server;
    Touch touch;
    EventLog log;
    GObject& Root() { return *server.GetRoot(); }
    shared_ptr<GObject> Button(int id, int x, int y, int w, int h) {
        auto b = NewObject(x, y, w, h);
        Root().AddChild(b, id);
        log.Listen(*b);
        return b;
    }
};

// Which listened objects (ids 1 and 2, side by side) a stroke reaches: a tap
// presses, touches and clicks; a stroke that slides off releases its object
// and clicks nothing; an object of transparency 0 still hits; hidden,
// touch-disabled and unlistened (untappable) objects let the touch through.
TEST_F(TouchFixture, HitTesting) {
    struct Row {
        const char* name;
        std::function<void(TouchFixture&)> cover;  // adds objects over the first one
        std::vector<std::array<int, 3>> strokes;   // type, x, y
        std::vector<std::string> log;
    } rows[] = {
        {"tap", {}, {{Touch::Down, 10, 10}, {Touch::Up, 12, 12}},
         {"touch0:1", "press:1", "touch1:1", "release:1", "touch5:1", "press:1", "release:1"}},
        {"slide off", {}, {{Touch::Down, 10, 10}, {Touch::Move, 60, 10}, {Touch::Up, 110, 10}},
         {"touch0:1", "press:1", "release:1", "touch1:2"}},
        {"invisible ink", [](TouchFixture& f) { f.Button(3, 0, 0, 50, 50)->SetTransparency(0); },
         {{Touch::Down, 5, 5}}, {"touch0:3", "press:3"}},
        {"hidden, disabled, unlistened",
         [](TouchFixture& f) {
             f.Button(3, 0, 0, 50, 50)->SetVisible(false);
             f.Button(4, 0, 0, 100, 100)->SetTouchEnabled(false);
             f.Root().AddChild(NewObject(0, 0, 50, 50), 5);
         },
         {{Touch::Down, 5, 5}}, {"touch0:1", "press:1"}},
    };
    for (const Row& row : rows) {
        Root().RemoveAllChildren();
        log.entries.clear();
        touch = Touch();
        Button(1, 0, 0, 50, 50);
        Button(2, 100, 0, 50, 50);
        if (row.cover) row.cover(*this);
        for (auto [type, x, y] : row.strokes) Stylus(Root(), touch, type, x, y);
        EXPECT_EQ(log.entries, row.log) << row.name;
    }
}

// Focus follows taps on focusable objects, a tap elsewhere clears it, and so
// does removing the focused object.
TEST_F(TouchFixture, FocusFollowsTapsAndLeavesWithTheObject) {
    auto edit = Button(1, 0, 0, 50, 50);
    edit->SetFocusable(true);
    Root().AddChild(NewObject(100, 0, 50, 50));
    Tap(Root(), touch, 5, 5);
    EXPECT_EQ(server.GetFocus(), edit);
    Stylus(Root(), touch, Touch::Down, 105, 5);
    EXPECT_FALSE(edit->IsFocused()) << "a tap elsewhere clears the focus";
    EXPECT_EQ(server.GetFocus(), nullptr);
    edit->SetFocused(true);
    ASSERT_EQ(server.GetFocus(), edit);
    Root().RemoveChild(edit);
    EXPECT_EQ(server.GetFocus(), nullptr);
    EXPECT_FALSE(edit->IsFocused());
}

TEST_F(TouchFixture, CaptureSendsTheRecordStraightToTheCapturer) {
    Button(1, 0, 0, 50, 50);
    auto b = Button(2, 100, 0, 50, 50);
    Stylus(Root(), touch, Touch::Down, 5, 5);
    touch.capture = b;
    Stylus(Root(), touch, Touch::Move, 10, 10);
    EXPECT_EQ(log.entries.back(), "touch2:2");
    touch.cancelled = true;
    EXPECT_FALSE(Root().ProcessTouch(touch));
}

// --- Keys ------------------------------------------------------------------

TEST(GObjectKeys, KeysTravelThroughFocusableAncestorsToTheLastTaker) {
    RecordingServer server;
    EventLog log;
    GObject& root = *server.GetRoot();
    auto first = NewObject(0, 0, 10, 10), second = NewObject(0, 0, 10, 10), silent = NewObject(0, 0, 10, 10);
    Subscribe(first->KeyPressed(), &log, &EventLog::KeyPressed);
    root.AddChild(first, 1);
    EXPECT_FALSE(root.ProcessKey(Key{Key::Enter, 0})) << "nothing focusable reaches nobody";
    EXPECT_TRUE(log.entries.empty());
    root.SetFocusable(true);
    first->SetFocusable(true);
    second->SetFocusable(true);
    Subscribe(second->KeyPressed(), &log, &EventLog::KeyPressed);
    silent->SetFocusable(true);
    root.AddChild(second, 2);
    root.AddChild(silent, 3);
    EXPECT_TRUE(root.ProcessKey(Key{Key::Down, 0}));
    EXPECT_EQ(log.entries, (std::vector<std::string>{"key4:2"})) << "last child first; one without listeners declines";

    // A focused object keeps the key for itself.
    log.entries.clear();
    second->SetFocused(true);
    auto inner = NewObject(0, 0, 1, 1);
    inner->SetFocusable(true);
    Subscribe(inner->KeyPressed(), &log, &EventLog::KeyPressed);
    second->AddChild(inner, 9);
    EXPECT_TRUE(server.GetFocus()->ProcessKey(Key{Key::Character, u'x'}));
    EXPECT_EQ(log.entries, (std::vector<std::string>{"key10:2"}));
}

// --- Layout ----------------------------------------------------------------

struct RecordingLayout : Layout {
    std::vector<int> reasons;
    void Apply(GObject* owner, int reason) override {
        reasons.push_back(reason);
        owner->SetSize(owner->Width(), owner->Height() + 1);  // re-entry is refused while busy
    }
};

TEST(GObjectLayout, ReasonsForSizeChildrenAttachAndUnlock) {
    auto owner = NewObject(0, 0, 0, 0);
    shared_ptr<RecordingLayout> layout(new RecordingLayout());
    owner->SetLayout(layout);
    owner->AddChild(NewObject(0, 0, 1, 1));
    EXPECT_TRUE(layout->reasons.empty()) << "an owner without size is not laid out";
    owner->SetSize(10, 10);
    owner->AddChild(NewObject(0, 0, 1, 1));
    owner->RemoveChildAt(0);
    layout->Lock();
    owner->AddChild(NewObject(0, 0, 1, 1));
    layout->Unlock();
    owner->SetLayout(layout);
    EXPECT_EQ(layout->reasons, (std::vector<int>{LayoutResized, LayoutChildAdded, LayoutChildRemoved, LayoutRelayout,
                                                 LayoutRelayout}));
}

TEST(GObjectDraw, HiddenTransparentAndClippedSubtreesAreSkipped) {
    RecordingServer server(40, 40);
    int drawn = 0;
    auto count = [&](shared_ptr<GObject>&, Surface&) { ++drawn; };
    auto visible = NewObject(0, 0, 10, 10), hidden = NewObject(0, 0, 10, 10), clear = NewObject(0, 0, 10, 10),
         away = NewObject(30, 30, 10, 10);
    hidden->SetVisible(false);
    clear->SetTransparency(0);
    for (auto* o : {visible.get(), hidden.get(), clear.get(), away.get()}) {
        SubscribeFn(o->Drawn(), count);
        server.GetRoot()->AddChild(shared_ptr<GObject>(o));
    }
    server.Paint(Rect(0, 0, 20, 20));
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(server.surface->ClipDepth(), 0u) << "every pushed clip was popped";
}

}  // namespace
