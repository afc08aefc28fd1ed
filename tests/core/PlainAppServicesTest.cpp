#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/PlainAppServices.h"

namespace {

TEST(PlainAppServices, CountsFromManyThreads) {
    PlainAppServices app;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&app, t] {
            for (int i = 0; i < 1000; ++i) {
                app.RaiseBusy();
                std::lock_guard outer(app.UILock());
                std::lock_guard inner(app.UILock());  // the UI lock is re-entrant
                app.ShowError(t);
                app.LowerBusy();
                if (i % 10 == 0) app.ReturnToSignIn();
            }
        });
    for (auto& w : workers) w.join();
    EXPECT_EQ(app.BusyCount(), 0);
    EXPECT_EQ(app.Errors().size(), 4000u);
    EXPECT_EQ(app.ReturnToSignInCount(), 400);
}

// Answered at once with the preset answer, or kept open until answered; an
// answer that asks again opens a new popup instead of deadlocking.
TEST(PlainAppServices, AnswersPopupsAtOnceOrWhenAsked) {
    PlainAppServices app;
    std::vector<int> answers;
    app.AskPopup(8, u"Install?", 1, 2, [&](int a) { answers.push_back(a); });
    app.SetPopupAnswer(2);
    app.AskPopup(8, u"Really?", 1, 2, [&](int a) { answers.push_back(a); });
    app.SetPopupAnswer(std::nullopt);
    app.AskPopup(8, u"first", 1, 2, [&](int a) { answers.push_back(10 + a); });
    app.AskPopup(8, u"second", 1, 2, [&](int a) {
        answers.push_back(20 + a);
        app.AskPopup(8, u"third", 1, 2, [&](int b) { answers.push_back(30 + b); });
    });
    EXPECT_EQ(app.OpenPopupCount(), 2u);
    EXPECT_EQ(app.AnswerPopups(1), 2u);
    EXPECT_EQ(app.AnswerPopups(0), 1u);
    EXPECT_EQ(answers, (std::vector<int>{0, 2, 11, 21, 30}));
    EXPECT_EQ(app.OpenPopupCount(), 0u);
    ASSERT_EQ(app.Popups().size(), 5u);
    EXPECT_EQ(app.Popups()[2].text, u"first");
    EXPECT_EQ(app.Popups()[2].button2, 2);
}

}  // namespace
