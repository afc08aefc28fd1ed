#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "support/HeadlessScreen.h"
#include "platform/window/IdleProbes.h"
#include "platform/window/ScreenShot.h"

using namespace platform;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

// Every message the test window receives, in order.
std::vector<Message>* gLog = nullptr;
std::thread::id gProcThread;

LRESULT Proc(Window* w, std::uint32_t msg, WPARAM wp, LPARAM lp) {
    gProcThread = std::this_thread::get_id();
    if (gLog && msg != WM_NULL) gLog->push_back({w, msg, wp, lp});
    if (msg == WM_USER + 7) return static_cast<LRESULT>(wp * 2);
    if (msg == WM_PAINT) {
        WindowSystem::Current().BeginPaint(w);
        return 0;
    }
    return WindowSystem::Current().DefWindowProc(w, msg, wp, lp);
}

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        gLog = &log;
        ws().RegisterClass({u"Test", 3, &Proc});
        window = ws().CreateWindow(u"Test", u"Test", WS_VISIBLE, {0, 0, 240, 320}, nullptr);
        ASSERT_NE(window, nullptr);
        RunUntilIdle();
        log.clear();
    }
    void TearDown() override { gLog = nullptr; }
    static HeadlessWindowSystem& ws() { return HeadlessScreen::Windows(); }

    // Dispatches until the loop has nothing left but timers.
    void RunUntilIdle() { screen.RunUntilIdle(window); }
    Message Next() {
        Message m;
        EXPECT_TRUE(ws().GetMessage(m));
        return m;
    }

    HeadlessScreen screen;
    std::vector<Message> log;
    Window* window = nullptr;
};

}  // namespace

TEST_F(HeadlessTest, CreationSendsCreateThenActivationAndFocusThenPaints) {
    ws().RegisterClass({u"Other", 0, &Proc});
    Window* w = ws().CreateWindow(u"Other", u"t", WS_VISIBLE, {}, nullptr);
    ASSERT_NE(w, nullptr);
    // No rectangle given: the work area under the task bar.
    EXPECT_EQ(w->Rect(), (WinRect{0, 26, 240, 320}));
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[0].message, WM_CREATE);
    EXPECT_EQ(log[1].message, WM_SIZE);
    EXPECT_EQ(log[1].lParam, MakeLParam(240, 294));
    EXPECT_EQ(log[2].message, WM_MOVE);
    EXPECT_EQ(log[3].message, WM_ACTIVATE);  // the old window goes inactive
    EXPECT_EQ(log[3].wParam, WA_INACTIVE);
    EXPECT_EQ(log[4].message, WM_ACTIVATE);
    EXPECT_EQ(log[4].window, w);
    EXPECT_EQ(ws().GetFocus(), w);
    EXPECT_EQ(Next().message, WM_PAINT);
    EXPECT_EQ(ws().FindWindow(u"Other"), w);
    ws().DestroyWindow(w);
    EXPECT_EQ(ws().FindWindow(u"Other"), nullptr);
    EXPECT_FALSE(ws().PostMessage(w, WM_USER, 0, 0));
}

TEST_F(HeadlessTest, PostedBeforePaintBeforeTimerAndTimersJumpTheClock) {
    // Periods count from the moment the timer is set, so the clock is read before it.
    const auto before = ws().TickCount();
    ws().SetTimer(window, 3631, 40);
    ws().InvalidateRect(window, nullptr, false);
    ws().PostMessage(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(Next().message, static_cast<std::uint32_t>(WM_USER + 1));
    Message paint = Next();
    EXPECT_EQ(paint.message, WM_PAINT);
    ws().DispatchMessage(paint);
    for (int i = 0; i < 50; ++i) {
        Message m = Next();
        EXPECT_EQ(m.message, WM_TIMER);
        EXPECT_EQ(m.wParam, 3631u);
    }
    // Fifty 40 ms periods passed on the loop clock (it jumps while idle).
    EXPECT_GE(ws().TickCount() - before, 50u * 40u);
    EXPECT_TRUE(ws().KillTimer(window, 3631));
    EXPECT_FALSE(ws().KillTimer(window, 3631));
}

// While a worker is busy the timer waits for real time (a lower bound only:
// a slow machine cannot fail it).
TEST_F(HeadlessTest, BusyWorkerKeepsTheClockReal) {
    ScopedIdleProbe probe([] { return false; });
    ws().SetTimer(window, 1, 30);
    const auto realStart = steady_clock::now();
    EXPECT_EQ(Next().message, WM_TIMER);
    EXPECT_GE(steady_clock::now() - realStart, milliseconds(25));
}

// A script waiting for the screen to settle looks again every few
// milliseconds; a timer minutes away must not fire in between.
TEST_F(HeadlessTest, ASettlingWaitJumpsTheClockOnlyToItsNextLook) {
    const auto before = ws().TickCount();
    ws().SetTimer(window, 666, 300000);
    int looks = 0;
    ws().SetIdleHandler([&] {
        if (++looks < 4) return HeadlessWindowSystem::IdleResult{false, steady_clock::now() + milliseconds(20), false, true};
        ws().PostMessage(window, WM_USER + 5, 0, 0);
        return HeadlessWindowSystem::IdleResult{true, {}, false, false};
    });
    EXPECT_EQ(Next().message, static_cast<std::uint32_t>(WM_USER + 5));
    ws().SetIdleHandler(nullptr);
    EXPECT_LT(ws().TickCount() - before, 60000u);
    // Without a script looking, the loop jumps to the timer as before.
    EXPECT_EQ(Next().message, WM_TIMER);
    ws().KillTimer(window, 666);
}

TEST_F(HeadlessTest, OtherThreadsWakeTheLoopAndSendRunsOnTheUIThread) {
    // Nothing queued and no timers: the loop sleeps until a worker posts.
    std::atomic<LRESULT> answer{0};
    std::thread worker([&] {
        std::this_thread::sleep_for(milliseconds(20));
        answer = ws().SendMessage(window, WM_USER + 7, 21, 0);
        ws().PostMessage(window, WM_USER + 3, 42, 0);
        ws().SetTimer(window, 9, 40);
    });
    Message m = Next();  // handles the sent message inside, on this thread
    worker.join();
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(gProcThread, std::this_thread::get_id());
    EXPECT_EQ(m.message, static_cast<std::uint32_t>(WM_USER + 3));
    EXPECT_EQ(m.wParam, 42u);
    m = Next();
    EXPECT_EQ(m.message, WM_TIMER) << "a timer set from a worker fires";
    EXPECT_EQ(m.wParam, 9u);
}

TEST_F(HeadlessTest, InvalidAreasUniteAndPaintOnceUntilInvalidatedAgain) {
    WinRect a{10, 10, 20, 20}, b{30, 5, 40, 15};
    ws().InvalidateRect(window, &a, false);
    ws().InvalidateRect(window, &b, false);
    ASSERT_EQ(Next().message, WM_PAINT);
    PaintStruct ps = ws().BeginPaint(window);
    EXPECT_EQ(ps.paint, (WinRect{10, 5, 40, 20}));
    EXPECT_FALSE(ps.erase);
    // Validated: a timer is what comes next, not another paint. An area
    // wholly outside the window asks for no paint at all.
    WinRect outside{300, 400, 310, 410};
    ws().InvalidateRect(window, &outside, false);
    ws().SetTimer(window, 5, 10);
    EXPECT_EQ(Next().message, WM_TIMER);

    // Erasing is asked once, through the window procedure, which answers it.
    ws().InvalidateRect(window, nullptr, true);
    ASSERT_EQ(Next().message, WM_PAINT);
    ps = ws().BeginPaint(window);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].message, WM_ERASEBKGND);
    EXPECT_FALSE(ps.erase);
    EXPECT_EQ(ps.paint, window->ClientRect());
}

TEST_F(HeadlessTest, StylusGoesToTheWindowUnderItInClientCoordinatesAndFollowsCapture) {
    ws().MoveWindow(window, {0, 26, 240, 320}, false);
    log.clear();
    ws().StylusDown(15, 40);
    ws().StylusMove(-5, 30);  // off the window: still this window's stroke
    ws().StylusUp(20, 50);
    ws().StylusDown(100, 10);  // on the task bar: no window there
    ws().StylusUp(100, 10);
    RunUntilIdle();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(SignedLow(log[0].lParam), 15);
    EXPECT_EQ(SignedHigh(log[0].lParam), 14);
    EXPECT_EQ(log[1].message, WM_MOUSEMOVE);
    EXPECT_EQ(SignedLow(log[1].lParam), -5);
    EXPECT_EQ(SignedHigh(log[1].lParam), 4);
    EXPECT_EQ(log[2].message, WM_LBUTTONUP);
    log.clear();
    ws().SetCapture(window);
    ws().StylusDown(100, 10);
    ws().StylusUp(100, 10);
    ws().ReleaseCapture();
    ws().StylusDown(5, 100, /*doubleTap=*/true);
    RunUntilIdle();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(SignedHigh(log[0].lParam), -16);
    EXPECT_EQ(log[2].message, WM_LBUTTONDBLCLK);
}

TEST_F(HeadlessTest, SoftKeysSendTheirCommandsOnlyWhileEnabled) {
    Window* bar = ws().CreateMenuBar(window, 0x70, 0x71);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Rect().top, 320);  // under the screen
    ws().SetSoftKey(bar, 0, u"Back", true);
    ws().SetSoftKey(bar, 1, u"Menu", false);
    ws().StylusDown(10, 330);   // the left label
    ws().StylusDown(230, 330);  // the right label: disabled
    ws().KeyDown(VK_F2);        // disabled too
    ws().KeyDown(VK_F1);
    RunUntilIdle();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].message, WM_COMMAND);
    EXPECT_EQ(Low(log[0].wParam), 0x70);
    EXPECT_EQ(Low(log[1].wParam), 0x70);
    ws().SetSoftKeyEnabled(bar, 1, true);
    log.clear();
    ws().KeyDown(VK_F2);
    RunUntilIdle();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(Low(log[0].wParam), 0x71);
}

TEST_F(HeadlessTest, PresentCopiesOnlyTheRectangleAndKeepsTheTaskBarOnTop) {
    std::vector<std::uint16_t> frame(240 * 320, 0xF800);
    ws().Present(window, frame.data(), 240, {0, 0, 240, 320});
    const auto& screen = ws().Screen();
    EXPECT_NE(screen[5 * 240 + 5], 0xF800);  // task bar
    EXPECT_EQ(screen[100 * 240 + 5], 0xF800);
    ws().ShellFullScreen(window, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON);
    std::fill(frame.begin(), frame.end(), 0x001F);
    ws().Present(window, frame.data(), 240, {10, 0, 20, 30});
    EXPECT_EQ(screen[5 * 240 + 15], 0x001F);
    EXPECT_EQ(screen[5 * 240 + 25], 0x10A6);  // outside the rectangle: untouched
    EXPECT_EQ(screen[100 * 240 + 15], 0xF800);
}

TEST_F(HeadlessTest, AChildWindowSitsInItsParentStaysOnTopOfItsFramesAndTakesItsOwnTaps) {
    ws().ShellFullScreen(window, SHFS_HIDETASKBAR);
    ws().MoveWindow(window, {0, 20, 240, 320}, false);
    // One pixel past the parent's sides, as a strip hides its border.
    Window* child = ws().CreateWindow(u"Test", u"", WS_CHILD | WS_VISIBLE, {-1, 200, 241, 260}, nullptr, window);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Rect(), (WinRect{-1, 220, 241, 280}));
    EXPECT_EQ(ws().Children(window), std::vector<Window*>{child});
    EXPECT_EQ(ws().FindWindow(u"Test"), window);  // a control is no application window
    RunUntilIdle();
    log.clear();

    std::vector<std::uint16_t> parentFrame(240 * 300, 0xF800), childFrame(242 * 60, 0x07E0);
    ws().Present(child, childFrame.data(), 242, {0, 0, 242, 60});
    ws().Present(window, parentFrame.data(), 240, {0, 0, 240, 300});
    const auto& screen = ws().Screen();
    EXPECT_EQ(screen[100 * 240 + 5], 0xF800);
    EXPECT_EQ(screen[250 * 240 + 0], 0x07E0);  // the parent's frame went round the child
    EXPECT_EQ(screen[250 * 240 + 239], 0x07E0);

    ws().StylusDown(10, 230);
    ws().StylusUp(10, 230);
    RunUntilIdle();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].window, child);
    EXPECT_EQ(SignedLow(log[0].lParam), 11);
    EXPECT_EQ(SignedHigh(log[0].lParam), 10);

    // The parent moves: the child goes along, and hiding it has the parent
    // repaint what it uncovered.
    ws().MoveWindow(window, {0, 0, 240, 320}, false);
    EXPECT_EQ(child->Rect(), (WinRect{-1, 200, 241, 260}));
    log.clear();
    ws().ShowWindow(child, false);
    RunUntilIdle();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0].window, window);
    EXPECT_EQ(log[0].message, WM_PAINT);
    ws().DestroyWindow(window);
    EXPECT_FALSE(ws().IsWindow(child));
}

TEST_F(HeadlessTest, QuitEndsTheLoopWithItsCode) {
    ws().PostMessage(window, WM_USER, 0, 0);
    ws().PostQuitMessage(3);
    EXPECT_EQ(Next().message, static_cast<std::uint32_t>(WM_USER));
    Message m;
    EXPECT_FALSE(ws().GetMessage(m));
    EXPECT_EQ(m.wParam, 3u);
}

TEST(ScreenShot, RoundTripsEvery565Value) {
    std::vector<std::uint16_t> frame(256 * 256);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint16_t>(i);
    auto file = std::filesystem::temp_directory_path() / ("shot-" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(WriteScreenPng(file, frame.data(), 256, 256));
    std::vector<std::uint16_t> back;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadScreenPng(file, back, w, h));
    std::filesystem::remove(file);
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 256);
    EXPECT_EQ(back, frame);
}
