#include <gtest/gtest.h>

#include "SceneTestSupport.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

using Result = PopupBox::PopupBoxResult;

// The scene under the boxes: it counts the hooks a closing box calls and has
// one tappable object covering the screen.
class QuietScene : public Scene {
public:
    using Scene::Scene;
    void Build(const shared_ptr<GObject>& root) override {
        target = NewObject(0, 0, 240, 320);
        SubscribeFn(target->Touched(),
                    [this](shared_ptr<GObject>&, const Touch& t) { taps += t.type == Touch::Click; });
        root->AddChild(target, -91);
    }
    void OnResume() override { ++resumes; }
    void UpdateMenuBar(const shared_ptr<GObject>& root) override {
        ++menuUpdates;
        Scene::UpdateMenuBar(root);
    }
    shared_ptr<GObject> target;
    int taps = 0, resumes = 0, menuUpdates = 0;
};

struct Answers {
    std::vector<int> got;
    void Listen(const shared_ptr<PopupBox::ResultEvent>& event) {
        SubscribeFn(*event, [this](Result r) { got.push_back(static_cast<int>(r)); });
    }
};

class PopupBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        scene = new QuietScene(&host);
        host.server.GetRoot()->AddChild(scene->CreateRoot());
        scene->GetRoot()->SetRect(Rect(0, 0, 240, 320));
        host.stack.push_back(scene);
    }
    std::u16string ShownTitle() const {
        shared_ptr<GObject> box, title;
        if (!host.popup->GetLayer() || !host.popup->GetLayer()->FindChildById(PopupBox::kBoxId, box) ||
            !box->FindChildById(PopupBox::kTitleId, title))
            return u"";
        return static_cast<widgets::Label*>(title.get())->GetText();
    }
    int LayersInRoot() const {
        int n = 0;
        for (const auto& c : host.server.GetRoot()->Children()) n += c->GetId() == PopupBox::kLayerId;
        return n;
    }

    TestHost host;
    shared_ptr<QuietScene> scene;
};

}  // namespace

TEST_F(PopupBoxTest, OpensOverTheSceneAndAnswersOnce) {
    host.advertising = true;
    Answers answers;
    answers.Listen(host.popup->Show(u"Question", u"Install it?", u"Yes", u"No"));
    EXPECT_TRUE(host.popup->IsOpen());
    EXPECT_FALSE(host.IsAdvertisingVisible());
    EXPECT_EQ(host.softKeys.GetLabel(0), u"Yes");
    EXPECT_EQ(host.softKeys.GetLabel(1), u"No");
    EXPECT_TRUE(host.softKeys.IsEnabled(1));
    EXPECT_EQ(ShownTitle(), u"Question");
    shared_ptr<GObject> box;
    ASSERT_TRUE(host.popup->GetLayer()->FindChildById(PopupBox::kBoxId, box));
    host.Settle();
    EXPECT_EQ(box->GetRect(), Rect(0, 160, 240, 160));  // risen into the lower half
    // The message wraps inside the box, below the title.
    shared_ptr<GObject> scroller;
    ASSERT_TRUE(box->FindChildById(PopupBox::kTextId, scroller));
    auto* view = dynamic_cast<widgets::ScrollView*>(scroller.get());
    ASSERT_NE(view, nullptr);
    const auto message = view->GetContent()->ChildAt(0);
    EXPECT_EQ(static_cast<widgets::Label*>(message.get())->GetText(), u"Install it?");
    EXPECT_GT(message->Height(), 0);
    EXPECT_GT(message->GetScreenRect().y, box->GetScreenRect().y);
    EXPECT_LE(message->GetScreenRect().Right(), box->GetScreenRect().Right());

    Touch touch;
    Tap(*host.server.GetRoot(), touch, 20, 100);  // above the box, on the dimmed scene
    EXPECT_EQ(scene->taps, 0);

    host.popup->OnSoftKey(false);
    EXPECT_EQ(answers.got, std::vector<int>{1});
    EXPECT_FALSE(host.popup->IsOpen());
    EXPECT_EQ(LayersInRoot(), 0);
    EXPECT_TRUE(host.IsAdvertisingVisible());
    EXPECT_EQ(scene->resumes, 1);
    EXPECT_EQ(scene->menuUpdates, 1);
    EXPECT_EQ(host.softKeys.GetLabel(1), u"");

    host.popup->OnSoftKey(true);  // nothing open: nobody is answered again
    EXPECT_EQ(answers.got, std::vector<int>{1});
    Tap(*host.server.GetRoot(), touch, 20, 100);
    EXPECT_EQ(scene->taps, 1);
}

TEST_F(PopupBoxTest, WithoutARightLabelOnlyTheLeftKeyAnswers) {
    Answers answers;
    auto result = host.popup->Show(u"Error", u"Wrong password", u"OK", u"");
    answers.Listen(result);
    // The answer comes after the scene resumed and got its right key back,
    // and before the scene puts its own labels back.
    std::string atAnswer;
    SubscribeFn(*result, [&](Result) {
        atAnswer = "resumed " + std::to_string(scene->resumes) + ", labels " + std::to_string(scene->menuUpdates) +
                   ", right key " + (host.softKeys.IsEnabled(1) ? "on" : "off");
    });
    EXPECT_FALSE(host.softKeys.IsEnabled(1));
    EXPECT_EQ(host.softKeys.GetLabel(1), u"");
    host.popup->OnSoftKey(false);
    EXPECT_TRUE(host.popup->IsOpen());
    EXPECT_TRUE(answers.got.empty());
    host.popup->OnSoftKey(true);
    EXPECT_EQ(answers.got, std::vector<int>{0});
    EXPECT_EQ(atAnswer, "resumed 1, labels 0, right key on");
    EXPECT_EQ(scene->menuUpdates, 1);
    EXPECT_TRUE(host.softKeys.IsEnabled(1));  // the scene gets its right key back
}

// The sign-in screen shows the common error and then offers to resend the
// activation mail. Each caller must get the answer to its own box: the offer
// is answered first (it is on top), then the error shows again and is
// answered on its own.
TEST_F(PopupBoxTest, StackedBoxesAnswerTheirOwnCallers) {
    Answers error, offer;
    error.Listen(host.popup->Show(u"Error", u"Not activated", u"OK", u""));
    offer.Listen(host.popup->Show(u"Question", u"Send the mail again?", u"Send", u"Cancel"));
    EXPECT_EQ(host.popup->Depth(), 2u);
    EXPECT_EQ(LayersInRoot(), 1);
    EXPECT_EQ(ShownTitle(), u"Question");
    EXPECT_EQ(host.softKeys.GetLabel(1), u"Cancel");

    host.popup->OnSoftKey(false);
    EXPECT_EQ(offer.got, std::vector<int>{1});
    EXPECT_TRUE(error.got.empty());
    EXPECT_TRUE(host.popup->IsOpen());
    EXPECT_EQ(ShownTitle(), u"Error");
    EXPECT_FALSE(host.softKeys.IsEnabled(1));
    EXPECT_EQ(scene->resumes, 0);  // the scene is still covered
    EXPECT_TRUE(host.covered);

    host.popup->OnSoftKey(true);
    EXPECT_EQ(error.got, std::vector<int>{0});
    EXPECT_EQ(offer.got, std::vector<int>{1});
    EXPECT_FALSE(host.popup->IsOpen());
    EXPECT_FALSE(host.covered);
    EXPECT_EQ(scene->resumes, 1);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "cover"), 1);
}

// An answer handler that asks the next question keeps that question's soft
// keys: the scene's own labels come back only when no box is left open.
TEST_F(PopupBoxTest, AQuestionAskedFromAnAnswerKeepsItsKeys) {
    Answers second;
    auto first = host.popup->Show(u"One", u"First?", u"Yes", u"No");
    SubscribeFn(*first, [&](Result) { second.Listen(host.popup->Show(u"Two", u"Second?", u"Go", u"Stop")); });
    host.popup->OnSoftKey(true);
    EXPECT_TRUE(host.popup->IsOpen());
    EXPECT_EQ(ShownTitle(), u"Two");
    EXPECT_EQ(host.softKeys.GetLabel(0), u"Go");
    EXPECT_EQ(host.softKeys.GetLabel(1), u"Stop");
    host.popup->OnSoftKey(true);
    EXPECT_EQ(second.got, std::vector<int>{0});
}

// A box takes no highlight: Up and Down scroll its text, the other keys do
// nothing, and when it closes the text box under the highlight (whose focus
// the soft key took) is typed into again.
TEST_F(PopupBoxTest, KeysScrollTheBoxAndTheTextBoxBelowGetsItsFocusBack) {
    shared_ptr<widgets::TextBox> box(new widgets::TextBox());
    box->SetRect(Rect(10, 10, 200, 30));
    scene->GetRoot()->AddChild(box);
    KeyNavigator& keys = host.server.Keys();
    keys.SetKeysOnly(true);
    keys.SetScope(scene->GetRoot());
    host.Settle();
    ASSERT_EQ(keys.Highlight().get(), box.get());
    ASSERT_TRUE(box->IsFocused());

    std::u16string lines;
    for (int i = 0; i < 40; ++i) lines += u"A line of the message\n";
    host.popup->Show(u"Error", lines, u"OK", u"");
    host.Settle();
    shared_ptr<GObject> panel, scroller;
    ASSERT_TRUE(host.popup->GetLayer()->FindChildById(PopupBox::kBoxId, panel));
    ASSERT_TRUE(panel->FindChildById(PopupBox::kTextId, scroller));
    const auto& text = static_cast<widgets::ScrollView*>(scroller.get())->GetContent();
    for (int code : {Key::Down, Key::Left, Key::Enter}) {
        Key key;
        key.code = code;
        EXPECT_TRUE(keys.OnKey(key)) << code;
    }
    EXPECT_LT(text->Y(), 0) << "Down scrolled the message";
    EXPECT_EQ(keys.Highlight().get(), box.get());

    host.server.SetFocus(shared_ptr<GObject>());  // what a soft key does first
    host.popup->OnSoftKey(true);
    EXPECT_TRUE(box->IsFocused());
}
