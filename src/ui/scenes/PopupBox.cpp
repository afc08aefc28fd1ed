#include "ui/scenes/PopupBox.h"

#include "ui/FontManager.h"
#include "ui/Interpolator.h"
#include "base/KeepAlive.h"
#include "ui/Property.h"
#include "ui/StateAnimator.h"
#include "ui/UIServer.h"
#include "ui/app/MenuBar.h"
#include "ui/layouts/BoxLayout.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/layouts/PopupBoxLayout.h"
#include "ui/layouts/TextLayout.h"
#include "ui/scenes/Scene.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

constexpr int kDimStart = 2;
constexpr int kDimEnd = 127;
constexpr int kDimFrames = 5;
constexpr int kBold = 600;
constexpr int kRegular = 400;
constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace

PopupBox::~PopupBox() { RemoveLayer(); }

shared_ptr<PopupBox::ResultEvent> PopupBox::Show(const std::u16string& title, const std::u16string& message,
                                                 const std::u16string& leftLabel,
                                                 const std::u16string& rightLabel) {
    if (boxes.empty()) host.CoverAdvertising(true);
    Request request{title, message, leftLabel, rightLabel, shared_ptr<ResultEvent>(new ResultEvent())};
    boxes.push_back(request);
    if (boxes.size() > 1) RemoveLayer();  // the box below waits, hidden, until this one closes
    Present(request);
    return request.result;
}

void PopupBox::OnSoftKey(bool left) {
    if (boxes.empty()) return;
    if (!left && boxes.back().right.empty()) return;  // the right key is disabled for this box
    Request closed = boxes.back();
    boxes.pop_back();
    RemoveLayer();
    if (!boxes.empty()) {
        Present(boxes.back());
        closed.result->Invoke(left ? PopupBoxResult::Left : PopupBoxResult::Right);
        return;
    }
    host.CoverAdvertising(false);
    if (Scene* top = host.TopScene()) {
        KeepAlive guard(top);
        top->OnResume();
    }
    host.GetSoftKeys().EnableSoftKey(1, true);
    closed.result->Invoke(left ? PopupBoxResult::Left : PopupBoxResult::Right);
    // The answer may have asked the next question; its box keeps its keys.
    if (boxes.empty()) host.UpdateSoftKeys();
}

void PopupBox::RemoveLayer() {
    if (fade) fade->Stop();
    fade = nullptr;
    if (!layer) return;
    shared_ptr<GObject> old = layer;
    layer = nullptr;
    if (UIServer* server = old->GetServer()) server->Keys().SetModal(shared_ptr<GObject>());
    if (GObject* parent = old->Parent()) parent->RemoveChild(old);
}

void PopupBox::Present(const Request& request) {
    MenuBar& keys = host.GetSoftKeys();
    keys.SetSoftKey(0, request.left, true);
    keys.SetSoftKey(1, request.right, !request.right.empty());
    shared_ptr<GObject> root = host.GetUiRoot();
    if (!root) return;

    shared_ptr<widgets::ColorBar> dim(new widgets::ColorBar());
    dim->SetFillColor(0, 0, 0);
    dim->SetTransparency(kDimStart);
    // Taps on the layer end there: the scene below must not react while a
    // question is open.
    SubscribeFn(dim->Touched(), [](shared_ptr<GObject>&, const Touch&) {});
    layer = dim;
    const int w = root->Width(), h = root->Height();
    layer->SetRect(Rect(0, 0, w, h));

    shared_ptr<GObject> box = BuildPanel(request);
    layer->AddChild(box, kBoxId);
    root->AddChild(layer, kLayerId);
    // The box answers to the soft keys only: no key highlight while it is up.
    if (UIServer* server = layer->GetServer()) server->Keys().SetModal(layer);
    layer->SetLayout(shared_ptr<Layout>(new BoxLayout()));
    // From below the screen, the box rises into the lower half.
    box->SetPosition(0, h);
    layer->GetLayout()->Update(LayoutAnimated);
    FadeIn();
}

shared_ptr<GObject> PopupBox::BuildPanel(const Request& request) const {
    const int f = LayoutMetrics::Get().fontUnit;
    shared_ptr<widgets::MovableImage> box(new widgets::MovableImage());
    box->AddImageState(0, SkinFactory::SkinImage(u"dialog.png"));
    box->SetStretch(true);
    box->SetImageState(0);

    shared_ptr<widgets::Label> title(new widgets::Label());
    title->SetText(request.title);
    title->SetColor(kWhite);
    title->SetFont(FontManager::Instance().GetFont(kBold, f * 3 / 2));
    title->SetAlign(widgets::Label::Centre, widgets::Label::Middle);
    box->AddChild(title, kTitleId);

    shared_ptr<widgets::ScrollView> scroller(new widgets::ScrollView());
    scroller->GetScrollBar()->SetBarColor(0x78, 0x78, 0x78);
    shared_ptr<widgets::Label> text(new widgets::Label());
    text->SetText(request.message);
    text->SetColor(kWhite);
    text->SetFont(FontManager::Instance().GetFont(kRegular, f));
    text->SetWordWrap(true);
    scroller->GetContent()->AddChild(text);
    // One pixel high: the text column measures its height only once it has some.
    scroller->GetContent()->SetSize(1, 1);
    scroller->GetContent()->SetLayout(shared_ptr<Layout>(new TextLayout()));
    box->AddChild(scroller, kTextId);
    box->SetLayout(shared_ptr<Layout>(new PopupBoxLayout()));
    return box;
}

// The layer's own transparency only: the box on it stays opaque.
void PopupBox::FadeIn() {
    shared_ptr<ComplexStatesChain<int>> chain(new ComplexStatesChain<int>(
        shared_ptr<Interpolator<int>>(new CubicInterpolator<int>()),
        shared_ptr<Property<int>>(new TransparencyProperty(layer))));
    chain->SetKey(kDimFrames, kDimEnd);
    fade = AnimateToEnd(*layer, chain);
}
