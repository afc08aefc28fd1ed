#include "ui/layouts/VScrollLayout.h"

#include <algorithm>

#include "ui/GObject.h"
#include "ui/IScrollView.h"

void VScrollLayout::Apply(GObject* owner, int) {
    shared_ptr<GObject> content;
    if (owner->FindChildById(ContentId, content)) {
        content->SetPosition(0, content->Y());
        // A layout only runs on an owner with some height, and scrolled
        // content gets its height from its own layout: without this start
        // a freshly filled list or text would never be laid out at all.
        content->SetSize(owner->Width(), std::max(content->Height(), 1));
    }
    if (restorer) restorer->Restore();
    PlaceThumb(*owner);
}

void VScrollLayout::PlaceThumb(GObject& owner) {
    shared_ptr<GObject> content, thumb;
    if (!owner.FindChildById(ThumbId, thumb)) return;
    // The thumb is the share of the content in view. Content that fits the
    // view (or has no height at all) does not scroll: a bar along the whole
    // side would only say that it might.
    // Room at the end under an overlay counts as content: it is scrolled to.
    const auto* view = dynamic_cast<const IScrollView*>(&owner);
    const int room = view ? view->EndRoom() : 0;
    if (!owner.FindChildById(ContentId, content) || content->Height() <= owner.Height() - room) {
        thumb->SetSize(thumb->Width(), 0);
        return;
    }
    const double ratio = static_cast<double>(owner.Height()) / (content->Height() + room);
    thumb->SetRect(Rect(owner.Width() - thumb->Width(), static_cast<int>(-content->Y() * ratio), thumb->Width(),
                        static_cast<int>(owner.Height() * ratio)));
}
