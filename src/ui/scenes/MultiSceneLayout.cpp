#include "ui/scenes/MultiSceneLayout.h"

#include "ui/GObject.h"
#include "ui/Interpolator.h"
#include "base/KeepAlive.h"
#include "ui/Property.h"
#include "ui/StateAnimator.h"
#include "ui/scenes/SceneHost.h"

MultiSceneLayout::~MultiSceneLayout() {
    // The animator may outlive this layout: make sure its chain can no longer
    // call back into us.
    if (slide) {
        slide->Lock();
        slide->StateChanged().Remove(MemFnDelegat<MultiSceneLayout, StatesChain*, int, int, int>(
            this, &MultiSceneLayout::OnSlideState));
    }
}

void MultiSceneLayout::ShowIndex(int index, bool animated) {
    // The slide still running is cut short where it stands (the next one
    // starts from there) and reported as ended to whoever waits for it.
    if (slide) {
        StopSlide();
        EndSlide();
    }
    current = index;
    slidePending = true;
    Update(animated ? LayoutAnimated : LayoutRelayout);
    // A container that cannot be laid out (no size, no children) slides
    // nothing; the waiting caller still learns that the change is done.
    if (!slide) EndSlide();
}

void MultiSceneLayout::Apply(GObject* owner, int reason) {
    StopSlide();
    const int w = owner->Width();
    int h = owner->Height();
    if (host && host->IsAdvertisingVisible()) h -= stripHeight;
    const std::vector<shared_ptr<GObject>> children = owner->Children();
    for (const shared_ptr<GObject>& child : children) child->SetSize(w, h);
    if (reason == LayoutAnimated && owner->GetServer()) {
        StartSlide(owner);
        return;
    }
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->SetPosition((static_cast<int>(i) - current) * w, 0);
    EndSlide();
}

void MultiSceneLayout::StartSlide(GObject* owner) {
    const std::vector<shared_ptr<GObject>>& children = owner->Children();
    shared_ptr<ParallelStatesChain> chain(new ParallelStatesChain());
    for (size_t i = 0; i < children.size(); ++i) {
        children[i]->SetPosition(children[i]->X(), 0);
        shared_ptr<ComplexStatesChain<int>> x(new ComplexStatesChain<int>(
            shared_ptr<Interpolator<int>>(new CubicInterpolator<int>()),
            shared_ptr<Property<int>>(new XPositionProperty(children[i]))));
        x->SetKey(kSlideFrames, (static_cast<int>(i) - current) * owner->Width());
        chain->AddChain(x);
    }
    chain->SetStateCount(kSlideFrames + 1);
    Subscribe(chain->StateChanged(), this, &MultiSceneLayout::OnSlideState);
    slide = chain;
    AnimateToEnd(*owner, chain);
}

// Locking the chain makes its animator finish at its next step.
void MultiSceneLayout::StopSlide() {
    if (!slide) return;
    shared_ptr<ParallelStatesChain> old = slide;
    slide = nullptr;
    old->Lock();
    old->StateChanged().Remove(
        MemFnDelegat<MultiSceneLayout, StatesChain*, int, int, int>(this, &MultiSceneLayout::OnSlideState));
}

void MultiSceneLayout::OnSlideState(StatesChain* /*chain*/, int /*oldState*/, int newState, int count) {
    if (newState != count - 1) return;
    StopSlide();
    EndSlide();
}

void MultiSceneLayout::EndSlide() {
    if (!slidePending) return;
    slidePending = false;
    KeepAlive guard(this);  // a handler may replace the container's layout
    slideEnded.Invoke();
}
