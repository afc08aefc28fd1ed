// The viewer window: pages load on threads of their own and come back to the
// UI thread; only the newest navigation shows, and a tap on a link reaches
// the parent window.
#include "platform/htmlview/HtmlViewControl.h"

#include <gtest/gtest.h>

#include "../net/TestServer.h"
#include "platform/htmlview/HtmlView.h"
#include "platform/window/IdleProbes.h"
#include "support/HeadlessScreen.h"

using namespace platform;
using namespace platform::htmlview;

namespace {

std::vector<std::string>* gLinks = nullptr;

LRESULT Parent(Window* w, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && gLinks) {
        const auto* notify = reinterpret_cast<const LinkNotify*>(lParam);
        if (notify->header.code == kHotspotNotify) gLinks->push_back(notify->link);
    }
    return WindowSystem::Current().DefWindowProc(w, message, wParam, lParam);
}

// A page at /script/page.html; /gate/1 is held back until the test lets it go.
struct ViewFixture : ::testing::Test {
    TestServer http;
    HeadlessScreen screen;
    std::vector<std::string> links;
    Window* parent = nullptr;
    Window* view = nullptr;

    void SetUp() override {
        http.Script("/script/page.html", 200,
                    "<html><body style=\"margin:0\"><a href=\"tobrix://7/\" style=\"display:block;height:40px\">"
                    "Chess Pro</a></body></html>");
        gLinks = &links;
        auto& ws = HeadlessScreen::Windows();
        ws.RegisterClass({u"Parent", 0, &Parent});
        parent = ws.CreateWindow(u"Parent", u"", WS_VISIBLE, {0, 0, 240, 320}, nullptr);
        ASSERT_TRUE(HtmlViewControl::RegisterWindowClass());
        view = ws.CreateWindow(kHtmlViewClass, u"", WS_CHILD | WS_VISIBLE | WS_BORDER, {0, 260, 240, 320}, nullptr,
                               parent);
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        http.ReleaseAll();
        HeadlessScreen::Windows().DestroyWindow(parent);  // and the view, which waits for its loads
        gLinks = nullptr;
    }
    void Navigate(const std::string& path) {
        const std::u16string url = http.Url16(path);
        HeadlessScreen::Windows().SendMessage(view, kNavigateMessage, 0x1020, reinterpret_cast<LPARAM>(url.c_str()));
    }
    // Until no load is out and nothing is left but timers.
    void RunUntilIdle() { screen.RunUntilIdle(parent, [] { return !IdleProbes::Instance().AllIdle(); }); }
};

TEST_F(ViewFixture, ShowsThePageItWasSentToAndATapOnItsLinkReachesTheParent) {
    Navigate("/script/page.html");
    RunUntilIdle();
    EXPECT_EQ(view->Title(), u"Chess Pro");
    HeadlessScreen::Windows().StylusDown(20, 280);
    HeadlessScreen::Windows().StylusUp(20, 280);
    RunUntilIdle();
    EXPECT_EQ(links, std::vector<std::string>{"tobrix://7/"});
}

TEST_F(ViewFixture, ANewerNavigationOrAClearWinsOverAPageStillOnItsWay) {
    Navigate("/gate/1");
    Navigate("/script/page.html");
    http.Release();
    RunUntilIdle();
    EXPECT_EQ(view->Title(), u"Chess Pro");

    Navigate("/gate/2");
    HeadlessScreen::Windows().SendMessage(view, kClearMessage, 0, 0);
    http.Release();
    RunUntilIdle();
    EXPECT_EQ(view->Title(), u"");
}

}  // namespace
