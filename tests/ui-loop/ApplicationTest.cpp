#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include "support/HeadlessScreen.h"
#include "ui/Surface.h"
#include "ui/StateAnimator.h"
#include "ui/StatesChain.h"
#include "ui/app/AnimatorKinds.h"
#include "ui/app/Application.h"
#include "ui/app/InputManager.h"

using namespace platform;

namespace {

// A solid tile whose colour the test changes behind the server's back.
class Tile : public GObject {
public:
    std::uint16_t color = 0x001F;
    void Draw(Surface& s) override {
        GObject::Draw(s);
        s.FillRect(GetScreenRect(), color);
    }
};

// Counts its steps; adds a follower on its first step.
class CountingAnimator : public Animator {
public:
    CountingAnimator(int frames, GObject* tile) : frames(frames), tile(tile) {}
    bool Step() override {
        ++steps;
        tile->SetPosition(tile->X() + 1, tile->Y());
        if (steps == 1 && spawn) tile->StartAnimator(spawn);
        return steps < frames;
    }
    int frames, steps = 0;
    GObject* tile;
    shared_ptr<Animator> spawn;
};

class TestApp : public Application {
public:
    std::vector<int> keys;
    std::vector<std::pair<int, char16_t>> treeKeys;
    int destroyed = 0, closed = 0;
    bool lockHeldDuringKey = false;
    bool throwInPreInit = false;
    shared_ptr<GObject> root;
    shared_ptr<Tile> a, b;

    bool PreInit() override {
        if (throwInPreInit) throw std::runtime_error(std::string(150, 'x'));
        return true;
    }
    bool OnCreateUi() override {
        root = new GObject();
        root->SetFocusable(true);
        SubscribeFn(root->KeyPressed(), [this](shared_ptr<GObject>&, const Key& k) {
            treeKeys.emplace_back(k.code, k.character);
        });
        a = new Tile();
        a->SetRect(Rect(0, 0, 10, 10));
        b = new Tile();
        b->SetRect(Rect(100, 100, 10, 10));
        root->AddChild(a);
        root->AddChild(b);
        server.SetRoot(root);
        return true;
    }
    void OnKeyDown(int vk) override {
        keys.push_back(vk);
        auto other = std::async(std::launch::async, [this] {
            bool got = uiLock.try_lock();
            if (got) uiLock.unlock();
            return got;
        });
        lockHeldDuringKey = !other.get();
        Application::OnKeyDown(vk);
    }
    void OnClose() override {
        ++closed;
        Application::OnClose();
    }
    void OnDestroy() override { ++destroyed; }
};

class ApplicationTest : public ::testing::Test {
protected:
    HeadlessWindowSystem& ws() { return HeadlessScreen::Windows(); }
    void Start() {
        ASSERT_TRUE(app->Init(u"LoopTest"));
        app->SetFullScreen(true);
        RunUntilIdle();
    }
    // Runs the loop until only timers remain; `ticks` counts frame timer ticks.
    int RunUntilIdle(bool allowTimers = false) {
        return screen.RunUntilIdle(
            app->GetWindow(),
            [&] { return allowTimers && ws().HasTimer(app->GetWindow(), WindowsMobileUIServer::kFrameTimer); },
            WindowsMobileUIServer::kFrameTimer);
    }
    bool TimerRunning() { return ws().HasTimer(app->GetWindow(), WindowsMobileUIServer::kFrameTimer); }
    std::uint16_t ScreenAt(int x, int y) { return ws().Screen()[static_cast<std::size_t>(y) * 240 + x]; }

    HeadlessScreen screen;
    std::unique_ptr<TestApp> app = std::make_unique<TestApp>();
};

}  // namespace

TEST_F(ApplicationTest, FramesRunOnlyWhileSomethingChangesAndStopAfterTheLastAnimation) {
    Start();
    RunUntilIdle(true);
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(ScreenAt(5, 5), 0x001F);
    EXPECT_EQ(ScreenAt(50, 50), 0xFFFF);  // cleared to white under the tree

    shared_ptr<CountingAnimator> anim(new CountingAnimator(3, app->a.get()));
    app->a->StartAnimator(anim);
    EXPECT_TRUE(TimerRunning());
    const int ticks = RunUntilIdle(true);
    EXPECT_EQ(anim->steps, 3);
    // Three animated frames, then one with nothing to do stops the timer.
    EXPECT_EQ(ticks, 4);
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(app->a->X(), 3);

    app->b->Invalidate();
    EXPECT_TRUE(TimerRunning());
    RunUntilIdle(true);
    EXPECT_FALSE(TimerRunning());
}

TEST_F(ApplicationTest, AnAnimatorAddedWhileTickingStartsAtTheNextFrame) {
    Start();
    RunUntilIdle(true);
    shared_ptr<CountingAnimator> first(new CountingAnimator(2, app->a.get()));
    shared_ptr<CountingAnimator> second(new CountingAnimator(2, app->b.get()));
    first->spawn = second;
    app->a->StartAnimator(first);
    // One frame: the follower was added during it and has not stepped yet.
    ws().SetIdleHandler([&] { return HeadlessWindowSystem::IdleResult{}; });
    Message m;
    while (ws().GetMessage(m) && m.message != WM_TIMER) ws().DispatchMessage(m);
    ws().DispatchMessage(m);
    EXPECT_EQ(first->steps, 1);
    EXPECT_EQ(second->steps, 0);
    RunUntilIdle(true);
    EXPECT_EQ(first->steps, 2);
    EXPECT_EQ(second->steps, 2);
}

TEST_F(ApplicationTest, OnlyTheDirtyRectangleIsRepaintedAndCopied) {
    Start();
    RunUntilIdle(true);
    // Both tiles change colour, but only the first says so: the second stays
    // stale on screen, which shows that nothing else was repainted.
    app->a->color = 0xF800;
    app->b->color = 0xF800;
    app->a->Invalidate();
    RunUntilIdle(true);
    EXPECT_EQ(ScreenAt(5, 5), 0xF800);
    EXPECT_EQ(ScreenAt(105, 105), 0x001F);
    // Two invalidations unite into their bounding box, which covers the
    // second tile as well.
    app->b->color = 0x07E0;
    app->GetServer().Invalidate(Rect(0, 0, 2, 2));
    app->GetServer().Invalidate(Rect(200, 200, 2, 2));
    EXPECT_EQ(app->GetServer().GetDirtyRect(), Rect(0, 0, 202, 202));
    RunUntilIdle(true);
    EXPECT_EQ(ScreenAt(105, 105), 0x07E0);
    EXPECT_TRUE(app->GetServer().GetDirtyRect().IsEmpty());
}

TEST_F(ApplicationTest, KeysMapToCodesAndEveryMessageHoldsTheUILock) {
    Start();
    for (std::uint32_t vk : {0x0Du, 0x25u, 0x26u, 0x27u, 0x28u, 0x2Eu, 0x72u, 0x73u, 0x41u, 0x08u}) ws().KeyDown(vk);
    ws().TypeText(u"é");
    RunUntilIdle();
    EXPECT_TRUE(app->lockHeldDuringKey);
    std::vector<std::pair<int, char16_t>> want{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {9, 0}, {7, 0}, {8, 0},
                                               {10, 8}, {10, 13}, {10, u'é'}};
    // Enter and Backspace also type their characters (as the platform
    // translates them); the letter key types nothing by itself: characters
    // come as text.
    std::vector<std::pair<int, char16_t>> got = app->treeKeys;
    ASSERT_EQ(got.size(), want.size());
    std::sort(got.begin() + 8, got.end());
    EXPECT_EQ(got, want);
}

TEST_F(ApplicationTest, SoftKeyCommandsAndShellKeysReachTheTree) {
    Start();
    app->CreateMenuBar();
    auto* w = app->GetWindow();
    ws().PostMessage(w, WM_COMMAND, 0x70, 0);
    ws().PostMessage(w, WM_COMMAND, 0x71, 0);
    ws().PostMessage(w, 0x4F6, VK_UP, 0);  // refused
    ws().PostMessage(w, 0x4F6, VK_DOWN, 0);  // refused
    ws().PostMessage(w, 0x4F6, VK_LEFT, 0);
    ws().PostMessage(w, 0x4F7, 0, 0);
    RunUntilIdle();
    std::vector<std::pair<int, char16_t>> want{{5, 0}, {6, 0}, {1, 0}, {0, 0}};
    EXPECT_EQ(app->treeKeys, want);
}

TEST_F(ApplicationTest, ASoftKeyClearsTheFocusAndHidesThePanelBeforeTheKeyArrives) {
    Start();
    auto& input = InputManager::Instance();
    int shown = 0, hidden = 0;
    bool focusedWhenKeyArrived = true, panelWhenKeyArrived = true;
    Rect panel;
    SubscribeFn(input.shown, [&](int, int, const Rect& r) { ++shown, panel = r; });
    SubscribeFn(input.hidden, [&] { ++hidden; });
    SubscribeFn(app->root->KeyPressed(), [&](shared_ptr<GObject>&, const Key&) {
        focusedWhenKeyArrived = app->b->IsFocused();
        panelWhenKeyArrived = input.IsVisible();
    });
    app->b->SetFocusable(true);
    {
        std::lock_guard lock(app->UILock());
        app->b->SetFocused(true);
        input.Show(100, 10, 0);
        input.Show(100, 10, 0);  // already shown: nothing
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(panel, Rect(0, 320 - 80, 240, 80));
    EXPECT_TRUE(ws().InputPanelVisible());
    app->b->SetFocusable(false);  // the key must reach the root
    ws().KeyDown(VK_F1);
    RunUntilIdle();
    EXPECT_FALSE(focusedWhenKeyArrived);
    EXPECT_FALSE(panelWhenKeyArrived);
    EXPECT_EQ(hidden, 1);
    EXPECT_FALSE(ws().InputPanelVisible());
    input.Hide();  // hidden already: nothing
    EXPECT_EQ(hidden, 1);
    input.shown.delegates.clear();
    input.hidden.delegates.clear();
}

TEST_F(ApplicationTest, FocusClearedOutsideAnyMessageHidesThePanelAtOnce) {
    // A worker (a finished request) clears the focus under the UI lock while
    // no message runs: the panel must not wait for the next message.
    Start();
    auto& input = InputManager::Instance();
    app->b->SetFocusable(true);
    {
        std::lock_guard lock(app->UILock());
        app->GetServer().SetFocus(app->b);
        app->b->SetFocused(true);
        input.Show(100, 10, 0);
    }
    ASSERT_TRUE(ws().InputPanelVisible());
    std::thread worker([&] {
        std::lock_guard lock(app->UILock());
        app->GetServer().SetFocus(shared_ptr<GObject>());
        app->b->color = 0xFFE0;
        app->b->Invalidate();
    });
    worker.join();
    EXPECT_FALSE(input.IsVisible());
    EXPECT_FALSE(ws().InputPanelVisible());
    RunUntilIdle(true);
    EXPECT_EQ(ScreenAt(105, 105), 0xFFE0) << "what a worker changed under the lock is painted";
    {
        std::lock_guard lock(app->UILock());
        app->GetServer().SetFocus(app->a);  // moving the focus elsewhere keeps a panel shown
        input.Show(100, 10, 0);
        app->GetServer().SetFocus(app->b);
    }
    EXPECT_TRUE(input.IsVisible());
    input.Hide();
}

TEST(AnimatorKinds, OnlyAnEndlesslyLoopingStateAnimatorNeverEnds) {
    shared_ptr<ComplexStatesChain<int>> c(new ComplexStatesChain<int>());
    EXPECT_TRUE(IsEndless(StateAnimator(c, StateAnimator::LastState, true, StateAnimator::PingPong, -1)));
    EXPECT_FALSE(IsEndless(StateAnimator(c, StateAnimator::LastState, true, StateAnimator::PingPong, 3)));
    EXPECT_FALSE(IsEndless(StateAnimator(c, StateAnimator::LastState)));
}

TEST_F(ApplicationTest, ClosingRunsTheDestroyPathAndEndsTheLoop) {
    Start();
    ws().PostMessage(app->GetWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app->Run(), 0);
    EXPECT_EQ(app->closed, 1);
    EXPECT_EQ(app->destroyed, 1);
}

TEST_F(ApplicationTest, StartUpExceptionsAreShownAndEndTheStart) {
    app->throwInPreInit = true;
    EXPECT_FALSE(app->Init(u"LoopTest"));
    ASSERT_EQ(ws().MessageBoxes().size(), 1u);
    EXPECT_EQ(ws().MessageBoxes()[0].first, u"Error");
    EXPECT_EQ(ws().MessageBoxes()[0].second, std::u16string(100, u'x'));
}

TEST_F(ApplicationTest, DoubleTapAndStylusBecomeTouchRecordsWithSignedPoints) {
    Start();
    std::vector<int> types;
    std::vector<Point> points;
    SubscribeFn(app->a->Touched(), [&](shared_ptr<GObject>&, const Touch& t) {
        types.push_back(t.type);
        points.push_back(t.Current());
    });
    ws().StylusDown(3, 4);
    ws().StylusUp(3, 4);
    ws().StylusDown(3, 4, true);
    ws().StylusUp(3, 4);
    RunUntilIdle();
    EXPECT_EQ(types, (std::vector<int>{Touch::Down, Touch::Up, Touch::Click, Touch::DoubleTap, Touch::Up, Touch::Click}));
    EXPECT_EQ(points.front(), (Point{3, 4}));
    EXPECT_EQ(ws().GetCapture(), nullptr);  // released at the up
}

TEST_F(ApplicationTest, FullScreenCoversTheTaskBarAndLeavingItReturnsToTheWorkArea) {
    Start();
    EXPECT_EQ(app->GetWindow()->Rect(), (WinRect{0, 0, 240, 320}));
    EXPECT_FALSE(ws().TaskBarVisible());
    app->CreateMenuBar();
    app->SetFullScreen(false);
    EXPECT_TRUE(ws().TaskBarVisible());
    // Under the task bar, down to where the soft-key bar begins.
    EXPECT_EQ(app->GetWindow()->Rect(), (WinRect{0, 26, 240, 320}));
    EXPECT_EQ(app->GetHeight(), 294);
    EXPECT_EQ(app->GetServer().GetScreen(), Rect(0, 0, 240, 294));
    RunUntilIdle(true);
    EXPECT_EQ(ScreenAt(5, 5), 0x10A6);    // the task bar
    EXPECT_EQ(ScreenAt(5, 30), 0x001F);   // the tile, now 26 pixels lower
    app->SetFullScreen(true);
    EXPECT_EQ(app->GetWindow()->Rect(), (WinRect{0, 0, 240, 320}));
}
