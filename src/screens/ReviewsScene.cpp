#include "screens/ReviewsScene.h"

#include <algorithm>

#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "screens/FormAnswer.h"
#include "screens/MakeReviewScene.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenText.h"
#include "ui/app/MenuBar.h"
#include "ui/layouts/ReviewLayout.h"
#include "ui/layouts/ReviewsLayout.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/StarRating.h"

namespace {
constexpr int32_t kTitle = 8005;
constexpr int32_t kNoReviews = 8009;
constexpr uint32_t kText = 0x202020;
constexpr uint32_t kGrey = 0x787878;
}  // namespace

ReviewsScene::~ReviewsScene() { request.Drop(); }

void ReviewsScene::Build(const shared_ptr<GObject>& root) {
    reviews.clear();
    list = ScreenParts::AddList(*root, 1);
    list->SetLayout(shared_ptr<Layout>(new ReviewsLayout()));
    ScreenParts::AddHeader(*root, host, Localization::Instance().Text(kTitle), name);
    host->SetInputEnabled(false);
    request.Start(api::Reviews(ApiContext::Current(), appId),
                  [this](HttpRequest* r, bool ok) { OnReviewsDone(r, ok); });
}

void ReviewsScene::UpdateMenuBar(const shared_ptr<GObject>& root) {
    Scene::UpdateMenuBar(root);
    host->GetSoftKeys().SetSoftKey(1, Localization::Instance().Text(kWriteReview));
}

void ReviewsScene::OnRightSoftKey() { host->PushScene(shared_ptr<Scene>(new MakeReviewScene(host, name, appId))); }

void ReviewsScene::OnReviewsDone(HttpRequest* answerRequest, bool ok) {
    host->SetInputEnabled(true);
    std::vector<ReviewEntry> entries;
    XMLResponse_Reviews answer(&entries);
    if (!formanswer::Accepted(answerRequest, ok, answer)) return;
    reviews = std::move(entries);
    const shared_ptr<Layout>& layout = list->GetLayout();
    layout->Lock();
    for (size_t i = 0; i < reviews.size(); ++i) AddItem(reviews[i], i);
    // An empty page would look like one still loading or broken.
    if (reviews.empty()) {
        auto none = ScreenParts::NewLabel(Localization::Instance().Text(kNoReviews), 400, ScreenParts::FontUnit(),
                                          kGrey, widgets::Label::Left);
        none->SetWordWrap(true);
        list->AddChild(none, -1);
    }
    layout->Unlock();
}

// The author's name closes its review, in the bold of a heading, and the
// next review's text follows as far below it as the review's own text is
// above it: without a line between them the name reads as the heading of
// the review under it. The line runs along the item's bottom edge, inside
// the item, so the column keeps its spacing.
void ReviewsScene::AddDivider(GObject& item, int fontUnit) {
    shared_ptr<widgets::ColorBar> line(new widgets::ColorBar());
    line->SetFillColor(150, 150, 190);
    item.AddChild(line, -1);
    GObject* self = &item;
    widgets::ColorBar* bar = line.get();
    const int thickness = std::max(1, fontUnit / 12);
    SubscribeFn(item.Resized(), [self, bar, thickness](shared_ptr<GObject>&, int, int) {
        bar->SetRect(Rect(0, self->Height() - thickness, self->Width(), thickness));
    });
}

void ReviewsScene::AddItem(const ReviewEntry& review, size_t position) {
    const int f = ScreenParts::FontUnit();
    const int u = f / 2;
    const int starsHeight = f * 3 / 2;
    shared_ptr<widgets::BarLabel> item(new widgets::BarLabel());
    item->SetText(screentext::FromWire(review.txt));
    item->SetFont(FontManager::Instance().GetFont(400, f));
    item->SetColor(kText);
    item->SetWordWrap(true);
    item->SetInsets(u, u, u, u);
    // Alternate rows: lavender, then light grey.
    if (position % 2 == 0)
        item->SetFillColor(220, 220, 255);
    else
        item->SetFillColor(240, 240, 240);
    item->AddChild(shared_ptr<GObject>(new StarRating(2 * review.rate)), ReviewLayout::Stars);
    auto author = ScreenParts::NewLabel(review.login, 600, f * 5 / 4, kText, widgets::Label::Left);
    author->SetInsets(u, 0, 0, 0);
    item->AddChild(author, ReviewLayout::Author);
    AddDivider(*item, f);
    item->SetLayout(shared_ptr<Layout>(new ReviewLayout(5 * starsHeight, starsHeight)));
    list->AddChild(item, -1);
}
