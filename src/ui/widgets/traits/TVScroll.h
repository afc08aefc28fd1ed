#pragma once
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "base/ScopedSubscription.h"
#include "ui/IRestore.h"
#include "ui/IScrollView.h"
#include "ui/PerformanceFrequency.h"
#include "ui/Touch.h"
#include "ui/UIServer.h"
#include "ui/layouts/VScrollLayout.h"
#include "ui/widgets/traits/TScrollDrawer.h"
#include "ui/widgets/traits/TTransparableI.h"
#include "ui/widgets/traits/TVerticalMoveI.h"

// A vertical scroll view with kinetic scrolling. The scrolled content is a
// child (id -200) the screens fill; the thumb (id -201) is a thin bar whose
// width also sets the gesture thresholds, so they scale with the screen.
//
// A finger that moves more than twice the bar width makes the gesture a drag:
// the record is captured to the content and the item under the finger gets no
// click. Lifting the finger brings an overscrolled list back with a damped
// spring, or lets it run on (a fling) with the speed of the last stroke. In
// snap mode items of `itemHeight` come to rest centred in the view.
template <class Base>
class TVScroll : public Base, public IRestore, public IScrollView {
public:
    using Content = TVerticalMoveI<GObject>;
    using Bar = TScrollDrawer<TTransparableI<GObject>>;
    using Keys = std::vector<std::pair<int, int>>;  // (state, content y)
    using Clock = std::function<double()>;

    static constexpr int kDefaultBarWidth = 4;
    static constexpr int kCorrectionFrames = 3;

    TVScroll() : content(new Content()), scrollBar(new Bar()) {
        clock = [] { return PerformanceFrequency::Instance().Now(); };
        content->SetClipToParent(true);
        scrollBar->SetSize(kDefaultBarWidth, 0);
        scrollBar->SetBarColor(0x78, 0x78, 0x78);
        this->AddChild(content, VScrollLayout::ContentId);
        this->AddChild(scrollBar, VScrollLayout::ThumbId);
        // The content and its chain are ours, but whoever fills the list may
        // keep the content beyond this view's life.
        subscriptions.push_back(ScopedSubscription::To(content->Touched(), this, &TVScroll::OnContentTouched));
        subscriptions.push_back(ScopedSubscription::To(content->Moved(), this, &TVScroll::OnContentMoved));
        subscriptions.push_back(ScopedSubscription::To(content->Resized(), this, &TVScroll::OnContentResized));
        const shared_ptr<ComplexStatesChain<int>>& chain = content->GetYChain();
        subscriptions.push_back(
            ScopedSubscription::To(chain.get(), chain->StateChanged(), this, &TVScroll::OnContentStep));
        this->SetLayout(shared_ptr<Layout>(new VScrollLayout(this)));
    }
    ~TVScroll() override {
        subscriptions.clear();
        content->GetYDriver().Stop();
    }

    const shared_ptr<Content>& GetContent() const { return content; }
    const shared_ptr<Bar>& GetScrollBar() const { return scrollBar; }
    int BarWidth() const { return scrollBar->Width(); }
    void SetBarWidth(int width) { scrollBar->SetSize(width, scrollBar->Height()); }
    void SetItemHeight(int height) { itemHeight = height; }
    int GetItemHeight() const { return itemHeight; }
    void SetSnap(bool value) { snap = value; }
    bool IsSnapping() const { return snap; }
    // The next down leaves a running scroll animation alone.
    void SetStopOnDown(bool value) { stopOnDown = value; }
    bool IsCapturing() const { return capturing; }
    // Seconds; tests drive the fling with a clock of their own.
    void SetClock(Clock value) { clock = std::move(value); }

    void OnTouch(Touch& touch) override {
        Base::OnTouch(touch);
        const int threshold = 2 * BarWidth();
        if (capturing && touch.type != Touch::Click) touch.capture = content;
        const Point p = touch.Current();
        if (touch.IsDown()) {
            dragStart = lastPoint = p;
            dragStartTime = 0.0;
            flinging = false;
            if (movedDistance > threshold && !capturing) {
                // The list was running fast: this tap only stops it.
                touch.cancelled = true;
                CaptureToContent(touch);
            }
            if (!stopOnDown) content->GetYDriver().Clear();
            stopOnDown = false;
        } else if (touch.type == Touch::Move) {
            if (MovedBeyond(touch.points, threshold)) CaptureToContent(touch);
        } else if (touch.type == Touch::Up) {
            if (capturing) ReleaseCapture(touch);
            Restore();
        }
        movedDistance = 0;
    }

    // Keys move the content within its resting range only: no spring to
    // bring it back afterwards.
    GObject* ScrolledContent() const override { return content.get(); }
    void ScrollRoom(int& least, int& most) const override {
        const int H = RestingHeight(), h = content->Height(), y = content->Y();
        const int top = h > H ? H - h : 0;
        least = std::min(0, top - y);
        most = std::max(0, -y);
    }
    int ScrollContentBy(int dy) override {
        int least = 0, most = 0;
        ScrollRoom(least, most);
        dy = std::clamp(dy, least, most);
        content->GetYDriver().Clear();
        flinging = false;
        if (dy != 0) content->MoveBy(0, dy);
        return dy;
    }

    int EndRoom() const override {
        const UIServer* server = this->GetServer();
        if (!server) return 0;
        const Rect over = server->OverlayArea(), me = this->GetScreenRect();
        if (over.IsEmpty() || over.x >= me.x + me.width || over.x + over.width <= me.x) return 0;
        if (over.y >= me.Bottom() || over.Bottom() <= me.y) return 0;
        return std::min(me.height / 2, me.Bottom() - over.y);
    }

    bool Restore() override {
        if (snap) return RestoreSnapped();
        const int H = RestingHeight(), h = content->Height(), y = content->Y();
        if (h <= H) {
            if (y != 0) Run(BounceToTopKeys(y));
            return true;
        }
        if (y >= 1) {
            Run(BounceToTopKeys(y));
            return true;
        }
        if (y + h < H) {
            Run(BounceToBottomKeys(H, h, y));
            return true;
        }
        return false;
    }

    // Lets the content run on with the speed of the last stroke. Returns
    // whether it produced any frames; in snap mode a fling too slow to move
    // brings the nearest item to the centre instead.
    bool Fling() {
        const double elapsed = clock() - dragStartTime;
        Keys keys;
        if (elapsed > 0.0) {
            double v = (lastPoint.y - dragStart.y) / (elapsed * 20.0);
            keys = FlingKeys(v, content->Y(), content->Height(), RestingHeight(), BarWidth());
        }
        if (keys.empty()) {
            if (snap) SnapToNearestItem();
            return false;
        }
        Run(keys);
        flinging = true;
        return true;
    }

    // --- The curves, from a given start -------------------------------------
    // A damped spring of 16 frames from y0 back to 0.
    static Keys BounceToTopKeys(int y0) { return Bounce(0.0, static_cast<double>(y0), 0.0); }
    // The same spring bringing the content's bottom (height h) back to the
    // bottom of a view of height H.
    static Keys BounceToBottomKeys(int H, int h, int y0) {
        return Bounce(static_cast<double>(H - h), static_cast<double>(H - h - y0), -1.0);
    }
    // One key a frame while the speed v (pixels a frame) decays by 5% a frame
    // and halves whenever the next frame would leave the content's range.
    static Keys FlingKeys(double v, int y, int h, int H, int barWidth) {
        const double limit = 2.0 * H;
        if (v > limit) v = limit;
        if (v < -limit) v = -limit;
        // A zero threshold would let the decay run for ten thousand frames.
        const int threshold = std::max(1, (barWidth * 3) / 2);
        Keys keys;
        double offset = 0.0;
        for (int i = 0; std::fabs(v) > threshold; ++i) {
            v *= 0.95;
            offset += v;
            if (v < 0 && y + offset + v + h < H) v *= 0.5;
            if (v > 0 && y + offset + v > 0) v *= 0.5;
            keys.emplace_back(i, static_cast<int>(y + offset));
        }
        return keys;
    }
    // Content y that centres the item nearest to the centre of the view.
    static int NearestItemY(int y, int H, int itemHeight) {
        if (itemHeight < 1) return y;
        int r = ((H - itemHeight) / 2 - y) % itemHeight;
        if (r < 0) r += itemHeight;  // the nearest item lies either way
        if (r == 0) return y;
        return r < itemHeight / 2 ? y + r : y + r - itemHeight;
    }

private:
    // The height the content's end rests against: the view's own, less what
    // lies over its bottom, so that the last lines scroll clear of it.
    int RestingHeight() const { return this->Height() - EndRoom(); }

    // sign -1 mirrors the spring for the bottom edge: keys are rest minus the
    // decaying gap instead of the decaying distance itself.
    static Keys Bounce(double rest, double gap, double sign) {
        constexpr double omega = 0.56;  // sqrt(0.64) * 0.7
        Keys keys;
        for (int i = 0; i <= 14; ++i) {
            double wave = (std::sin(i * omega) + std::cos(i * omega)) * gap * std::exp(-0.42 * i);
            keys.emplace_back(i, static_cast<int>(sign < 0 ? rest - wave : rest + wave));
        }
        keys.emplace_back(16, static_cast<int>(rest));
        return keys;
    }

    bool RestoreSnapped() {
        const int H = this->Height(), h = content->Height(), y = content->Y();
        const int c = (H - itemHeight) / 2;
        if (h > itemHeight && y <= c) {
            if (y + h >= itemHeight + c) return false;
            content->MoveYTo(itemHeight + c - h, kCorrectionFrames);
            return true;
        }
        if (y != c) content->MoveYTo(c, kCorrectionFrames);  // already there: nothing to animate
        return true;
    }
    void SnapToNearestItem() {
        const int target = NearestItemY(content->Y(), this->Height(), itemHeight);
        if (target != content->Y()) content->MoveYTo(target, kCorrectionFrames);
    }
    void Run(const Keys& keys) {
        flinging = false;
        content->GetYDriver().RunKeys(*content, keys);
    }

    // Beyond `threshold` from the point two samples back, or from the first.
    static bool MovedBeyond(const std::vector<Point>& points, int threshold) {
        if (points.empty()) return false;
        const Point p = points.back();
        auto beyond = [&](Point q) { return std::hypot(double(p.x - q.x), double(p.y - q.y)) > threshold; };
        return (points.size() >= 3 && beyond(points[points.size() - 3])) || beyond(points.front());
    }
    void CaptureToContent(Touch& touch) {
        touch.capture = content;
        capturing = true;
        liftPending = true;
        // The item the finger went down on is no longer being tapped.
        if (touch.pressedObject && touch.pressedObject.get() != content.get()) {
            shared_ptr<GObject> pressed = touch.pressedObject;
            pressed->Release(touch);
        }
    }
    void ReleaseCapture(Touch& touch) {
        if (touch.capture.get() == content.get()) touch.capture = nullptr;
        capturing = false;
    }

    // The content's own touch events do the dragging. The record is the
    // application's (mutable) one; capturing it is part of handling it.
    void OnContentTouched(shared_ptr<GObject>&, const Touch& record) {
        Touch& touch = const_cast<Touch&>(record);
        const Point p = touch.Current();
        if (touch.IsDown()) {
            dragStart = lastPoint = p;
            liftPending = true;
        } else if (touch.type == Touch::Move) {
            DragTo(touch, p);
        } else if (liftPending) {  // up or click: the finger lifted
            liftPending = false;
            // A finger that dragged the list has tapped nothing: without
            // this the click meant for the content would go down to
            // whatever link the list carried under the finger meanwhile.
            if (capturing && touch.type == Touch::Up) touch.handled = true;
            if (!Restore()) Fling();
            ReleaseCapture(touch);
        }
    }
    void DragTo(Touch& touch, Point p) {
        if (dragStartTime < 0.001) dragStartTime = clock();
        CaptureToContent(touch);
        content->GetYDriver().Clear();
        const int step = p.y - lastPoint.y;
        const int stroke = lastPoint.y - dragStart.y;
        if ((step < 0 && stroke > 0) || (step > 0 && stroke < 0)) {
            // Reversed: the fling measures only the stroke since here.
            dragStart = lastPoint;
            dragStartTime = clock();
        }
        const bool pulledBeyond = content->Y() >= 1 || content->Y() + content->Height() < RestingHeight();
        content->MoveBy(0, pulledBeyond ? step / 2 : step);
        lastPoint = p;
    }

    void OnContentMoved(shared_ptr<GObject>&, int, int dy) {
        if (content->IsMovingY()) movedDistance = std::abs(dy);
        VScrollLayout::PlaceThumb(*this);
    }
    void OnContentResized(shared_ptr<GObject>&, int, int) {
        if (this->GetLayout()) this->GetLayout()->Update(LayoutRelayout);
    }
    // A finished animation leaves the list at rest; a fling that ran past an
    // end is brought back.
    void OnContentStep(StatesChain*, int, int state, int count) {
        if (state != count - 1) return;
        movedDistance = 0;
        if (flinging) {
            flinging = false;
            Restore();
        }
    }

    int movedDistance = 0;
    bool stopOnDown = false;
    Point dragStart;
    Point lastPoint;
    double dragStartTime = 0.0;
    shared_ptr<Content> content;
    shared_ptr<Bar> scrollBar;
    bool capturing = false;
    int itemHeight = 0;
    bool snap = false;
    bool flinging = false;
    bool liftPending = false;
    Clock clock;
    std::vector<ScopedSubscription> subscriptions;
};
