// The viewer window: pages load on threads of their own and come back to the
// UI thread; only the newest navigation shows, and a tap on a link reaches
// the parent window.
#include "platform/htmlview/HtmlViewControl.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/Text.h"
#include "platform/htmlview/HtmlView.h"
#include "platform/window/HeadlessWindowSystem.h"

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

struct ViewFixture : ::testing::Test {
    httplib::Server http;
    std::thread serving;
    int port = 0;
    std::mutex mutex;
    std::condition_variable released;
    bool slowReleased = false;
    std::vector<std::string> links;
    Window* parent = nullptr;
    Window* view = nullptr;

    void SetUp() override {
        http.Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body style=\"margin:0\"><a href=\"tobrix://7/\" style=\"display:block;height:40px\">"
                            "Chess Pro</a></body></html>",
                            "text/html");
        });
        // Held back until the test lets it go (at most ten seconds).
        http.Get("/slow.html", [this](const httplib::Request&, httplib::Response& res) {
            std::unique_lock lock(mutex);
            released.wait_for(lock, std::chrono::seconds(10), [this] { return slowReleased; });
            res.set_content("<html><body>Slow page</body></html>", "text/html");
        });
        port = http.bind_to_any_port("127.0.0.1");
        serving = std::thread([this] { http.listen_after_bind(); });
        ScreenMetrics m;
        m.width = 240;
        m.height = 320;
        m.dpi = 96;
        WindowSystem::Install(std::make_unique<HeadlessWindowSystem>(m));
        gLinks = &links;
        ws().RegisterClass({u"Parent", 0, &Parent});
        parent = ws().CreateWindow(u"Parent", u"", WS_VISIBLE, {0, 0, 240, 320}, nullptr);
        ASSERT_TRUE(HtmlViewControl::RegisterWindowClass());
        view = ws().CreateWindow(kHtmlViewClass, u"", WS_CHILD | WS_VISIBLE | WS_BORDER, {0, 260, 240, 320}, nullptr,
                                 parent);
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        Release();
        ws().DestroyWindow(parent);  // and the view, which waits for its loads
        WindowSystem::Uninstall();
        gLinks = nullptr;
        http.stop();
        serving.join();
    }
    static HeadlessWindowSystem& ws() { return static_cast<HeadlessWindowSystem&>(WindowSystem::Current()); }

    void Navigate(const std::string& path) {
        const std::u16string url = U16("http://127.0.0.1:" + std::to_string(port) + path);
        ws().SendMessage(view, kNavigateMessage, 0x1020, reinterpret_cast<LPARAM>(url.c_str()));
    }
    void Release() {
        std::lock_guard lock(mutex);
        slowReleased = true;
        released.notify_all();
    }
    // Dispatches until no load is out and nothing is left but timers.
    void RunUntilIdle() {
        bool idle = false;
        ws().SetIdleHandler([&] {
            if (!IdleProbes::Instance().AllIdle()) return HeadlessWindowSystem::IdleResult{};
            idle = true;
            ws().PostMessage(parent, WM_NULL, 0, 0);
            return HeadlessWindowSystem::IdleResult{true, {}};
        });
        Message m;
        while (ws().GetMessage(m)) {
            if (idle && m.message == WM_NULL) break;
            ws().DispatchMessage(m);
        }
        ws().SetIdleHandler(nullptr);
    }
};

TEST_F(ViewFixture, ShowsThePageItWasSentToAndATapOnItsLinkReachesTheParent) {
    Navigate("/page.html");
    RunUntilIdle();
    EXPECT_EQ(view->Title(), u"Chess Pro");
    ws().StylusDown(20, 280);
    ws().StylusUp(20, 280);
    RunUntilIdle();
    EXPECT_EQ(links, std::vector<std::string>{"tobrix://7/"});
}

TEST_F(ViewFixture, ANewerNavigationOrAClearWinsOverAPageStillOnItsWay) {
    Navigate("/slow.html");
    Navigate("/page.html");
    Release();
    RunUntilIdle();
    EXPECT_EQ(view->Title(), u"Chess Pro");

    {
        std::lock_guard lock(mutex);
        slowReleased = false;
    }
    Navigate("/slow.html");
    ws().SendMessage(view, kClearMessage, 0, 0);
    Release();
    RunUntilIdle();
    EXPECT_EQ(view->Title(), u"");
}

}  // namespace
