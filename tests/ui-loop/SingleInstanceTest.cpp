#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/instance/SingleInstance.h"
#include "platform/window/HeadlessWindowSystem.h"

using namespace platform;

namespace {

std::atomic<int> gPrivateSeen{0};
std::thread::id gHandler;

LRESULT OwnerProc(Window* w, std::uint32_t msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER + 201) throw std::runtime_error("handler failed");
    if (msg == WM_USER + 200) {
        gHandler = std::this_thread::get_id();
        gPrivateSeen = static_cast<int>(wp);
        return 1;
    }
    if (msg == WM_PAINT) {
        WindowSystem::Current().BeginPaint(w);
        return 0;
    }
    return WindowSystem::Current().DefWindowProc(w, msg, wp, lp);
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::temp_directory_path() / ("instance-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root);
        ScreenMetrics m;
        WindowSystem::Install(std::make_unique<HeadlessWindowSystem>(m));
        WindowSystem::Current().RegisterClass({u"Tobrix", 3, &OwnerProc});
        window = WindowSystem::Current().CreateWindow(u"Tobrix", u"Tobrix", WS_VISIBLE, {}, nullptr);
        gPrivateSeen = 0;
    }
    void TearDown() override {
        WindowSystem::Uninstall();
        std::filesystem::remove_all(root);
    }
    // Runs the UI loop on this thread while `work` runs on another.
    void WithLoop(const std::function<void()>& work) {
        std::atomic<bool> done{false};
        std::thread t([&] {
            work();
            done = true;
            WindowSystem::Current().PostMessage(window, WM_NULL, 0, 0);
        });
        auto& ws = WindowSystem::Current();
        Message m;
        while (!done && ws.GetMessage(m)) ws.DispatchMessage(m);
        t.join();
    }
    std::filesystem::path root;
    Window* window = nullptr;
};

}  // namespace

TEST_F(SingleInstanceTest, SecondClaimReachesTheFirstWindowOnItsUIThread) {
    auto first = SingleInstance::Claim(root, u"Tobrix");
    ASSERT_TRUE(first && first->IsOwner());
    EXPECT_TRUE(std::filesystem::exists(root / "Tobrix.sock"));
    auto second = SingleInstance::Claim(root, u"Tobrix");
    ASSERT_TRUE(second && !second->IsOwner());
    ASSERT_NE(second->Running(), nullptr);

    LRESULT answer = 0, refused = -1, activated = 0;
    WithLoop([&] {
        // Requests that arrive before the owner's window exists wait for it.
        std::thread late([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            first->Serve(window);
        });
        answer = second->Running()->Send(WM_USER + 200, 17, 0);
        late.join();
        // System messages may carry pointers: they never cross processes.
        refused = second->Running()->Send(WM_CLOSE, 0, 0);
        // A failing handler costs the caller its answer, not the owner its life.
        EXPECT_EQ(second->Running()->Send(WM_USER + 201, 0, 0), 0);
        activated = second->Running()->Activate();
    });
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(gPrivateSeen.load(), 17);
    EXPECT_EQ(gHandler, std::this_thread::get_id());
    EXPECT_EQ(refused, 0);
    EXPECT_TRUE(WindowSystem::Current().IsWindow(window));
    EXPECT_EQ(activated, 1);
}

TEST_F(SingleInstanceTest, TheClaimDiesWithItsOwnerAndDeepRootsWork) {
    {
        auto first = SingleInstance::Claim(root, u"Tobrix");
        ASSERT_TRUE(first && first->IsOwner());
    }
    // The socket file of a gone owner never blocks the next one.
    auto next = SingleInstance::Claim(root, u"Tobrix");
    ASSERT_TRUE(next && next->IsOwner());
    auto other = SingleInstance::Claim(root, u"Other/Class");
    ASSERT_TRUE(other && other->IsOwner());
    EXPECT_TRUE(std::filesystem::exists(root / "Other_Class.sock"));

    auto deep = root / std::string(60, 'a') / std::string(60, 'b');
    std::filesystem::create_directories(deep);
    auto deepOwner = SingleInstance::Claim(deep, u"Tobrix");
    ASSERT_TRUE(deepOwner && deepOwner->IsOwner());
    deepOwner->Serve(window);
    auto deepSecond = SingleInstance::Claim(deep, u"Tobrix");
    ASSERT_TRUE(deepSecond && !deepSecond->IsOwner());
    LRESULT answer = 0;
    WithLoop([&] { answer = deepSecond->Running()->Send(WM_USER + 200, 5, 0); });
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(gPrivateSeen.load(), 5);
}

TEST_F(SingleInstanceTest, AnOwnerThatStopsServingAnswersZeroAndShutsDownWhileASenderWaits) {
    auto first = SingleInstance::Claim(root, u"Tobrix");
    first->StopServing();
    auto second = SingleInstance::Claim(root, u"Tobrix");
    ASSERT_TRUE(second && second->Running());
    EXPECT_EQ(second->Running()->Send(WM_USER + 200, 1, 0), 0);
    EXPECT_EQ(gPrivateSeen.load(), 0);
    first->Serve(window);
    // The owner goes away while its UI loop is not running: the sender gets
    // an answer (0) instead of hanging.
    std::thread sender([&] { second->Running()->Send(WM_USER + 200, 2, 0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    first.reset();
    sender.join();
}
