// The feedback and About screens in the real shell against catalogd: what
// the service receives, and how About lays out its icon.
#include <sqlite3.h>

#include "support/Profiles.h"
#include "StoreScreensFixture.h"
#include "screens/AboutScene.h"
#include "screens/FeedbackScene.h"

namespace {

class FeedbackAboutTest : public StoreScreensFixture {
protected:
    // The feedback texts the service has stored, oldest first.
    std::vector<std::string> StoredFeedback() {
        std::vector<std::string> texts;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(server->Database().string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT text FROM feedback ORDER BY id", -1, &st, nullptr) == SQLITE_OK) {
                while (sqlite3_step(st) == SQLITE_ROW)
                    texts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            }
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return texts;
    }

    FeedbackScene* OpenFeedback() {
        store->Push(shared_ptr<Scene>(new FeedbackScene(&store->App(), u"Block Drop", 1)));
        return Top<FeedbackScene>();
    }

    void Type(FeedbackScene* feedback, const std::u16string& text) {
        {
            std::lock_guard ui(net::UILock());
            feedback->Editor()->SetFocused(true);
        }
        for (char16_t c : text) {
            if (c == u'\n') {
                store->Windows().KeyDown(platform::VK_RETURN);
                store->Windows().KeyUp(platform::VK_RETURN);
            } else {
                store->Windows().TypeText(std::u16string(1, c));
            }
        }
        store->Settle();
    }
};

TEST_P(FeedbackAboutTest, ThreeLinesReachTheServiceWithTwoLineBreakMarks) {
    const size_t before = StoredFeedback().size();
    FeedbackScene* feedback = OpenFeedback();
    ASSERT_TRUE(feedback);
    EXPECT_TRUE(ShowsText(Str(14001)));
    EXPECT_EQ(store->App().GetSoftKeys().GetLabel(1), Str(15));
    // An empty text sends nothing and says nothing.
    store->SoftKey(false);
    EXPECT_FALSE(store->PopupOpen());
    EXPECT_FALSE(feedback->Sending());

    Type(feedback, u"It starts\nthen stops\nat level 3");
    store->SoftKey(false);
    EXPECT_TRUE(store->PopupOpen());
    EXPECT_TRUE(ShowsText(Str(14002)));
    const auto stored = StoredFeedback();
    ASSERT_EQ(stored.size(), before + 1);
    EXPECT_EQ(stored.back(), "It starts--br--then stops--br--at level 3");
    store->SoftKey(true);  // the thank-you leads back
    EXPECT_EQ(Top<MainMenuScene>(), menu);
}

TEST_P(FeedbackAboutTest, ARefusedReportKeepsItsText) {
    store->Push(shared_ptr<Scene>(new FeedbackScene(&store->App(), u"Nothing", 999999)));
    FeedbackScene* feedback = Top<FeedbackScene>();
    ASSERT_TRUE(feedback);
    Type(feedback, u"lost?");
    store->SoftKey(false);
    ExpectError(207);
    EXPECT_EQ(Top<FeedbackScene>(), feedback);
    std::lock_guard ui(net::UILock());
    EXPECT_EQ(feedback->Editor()->GetText(), u"lost?");
    EXPECT_TRUE(feedback->Editor()->IsVisible());
}

// Its links reaching the browser are a step of the keys tour.
TEST_P(FeedbackAboutTest, AboutShowsItsIconBesideItsText) {
    store->SoftKey(true);  // the main menu's left soft key
    ASSERT_TRUE(Top<AboutScene>());
    EXPECT_TRUE(ShowsText(Str(13001)));
    // The icon, as laid out, is a square as tall as its two rows of 2f, and
    // the text beside it starts after it, on the same line.
    std::lock_guard ui(net::UILock());
    GObject* title = treequery::FindLabel(*store->App().GetUiRoot(), Str(13001));
    ASSERT_TRUE(title && title->Parent());
    const GObject& form = *title->Parent();
    const Rect icon = form.ChildAt(1)->GetRect(), text = form.ChildAt(2)->GetRect();
    const int f = LayoutMetrics::Get().fontUnit;
    EXPECT_EQ(icon.height, 4 * f);
    EXPECT_NEAR(icon.width, 4 * f, 1);
    EXPECT_GT(text.x, icon.Right());
    EXPECT_EQ(text.y, icon.y);
}

INSTANTIATE_TEST_SUITE_P(Profiles, FeedbackAboutTest, ::testing::ValuesIn(kProfiles), ProfileName);

}  // namespace
