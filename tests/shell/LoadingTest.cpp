#include "shell/Loading.h"

#include <gtest/gtest.h>

#include "i18n/Localization.h"

namespace {

struct LoadingFixture : ::testing::Test {
    shared_ptr<GObject> layer{new GObject()};
    int restarts = 0, stops = 0;
    std::u16string text;

    void SetUp() override {
        ASSERT_TRUE(Localization::Instance().Load(TOBRIX_SOURCE_DIR "/data/localization.xml", u"0409"));
        Loading::Instance().Register(
            {layer, [this] { ++restarts; }, [this] { ++stops; }, [this](const std::u16string& t) { text = t; }});
    }
    void TearDown() override {
        while (Loading::Instance().Count() > 0) Loading::Instance().Lower();
        Loading::Instance().Unregister();
    }
};

// An unmatched lower cannot hide the next request; then the indicator shows
// while anything runs and restarts its animation on every change.
TEST_F(LoadingFixture, ShowsWhileAnythingRunsAndRestartsOnEveryChange) {
    auto& busy = Loading::Instance();
    busy.Lower();
    EXPECT_EQ(busy.Count(), 0);
    EXPECT_FALSE(layer->IsVisible());
    stops = 0;
    busy.Raise();
    busy.Raise();
    EXPECT_TRUE(layer->IsVisible());
    EXPECT_EQ(restarts, 2);
    busy.Lower();
    EXPECT_TRUE(layer->IsVisible());
    EXPECT_EQ(restarts, 3);
    busy.Lower();
    EXPECT_FALSE(layer->IsVisible());
    EXPECT_EQ(restarts, 3);  // hidden: nothing to animate
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(text, u"Loading...") << "the label takes string 14 of the language";
}

}  // namespace
