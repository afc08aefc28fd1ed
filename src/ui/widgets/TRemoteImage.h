#pragma once
#include <mutex>
#include <string>

#include "base/ScopedSubscription.h"
#include "net/HttpRequest.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "ui/ImagePool.h"
#include "base/KeepAlive.h"
#include "ui/layouts/IPictureSize.h"
#include "ui/widgets/RemotePicture.h"
#include "ui/widgets/traits/TImage.h"

// An image whose picture is fetched from a URL, or is the shell's icon of a
// program on the device. The fetch starts the first time the widget is drawn,
// so rows that never scroll into view never download their icons; it runs
// once and is not retried (a failed one leaves the widget empty). Set the URL,
// the path and the flags right after creating the widget, before it is drawn.
//
// Fetched pictures go into the image pool's picture cache when first drawn.
// A widget whose URL is found there shows that picture at once and never
// fetches: going back to a list does not download its icons again. The
// lookup happens when the URL is set, so that the picture is there before
// the first layout. A widget whose parent lays out around its picture
// (resize-parent) looks only then, since a layout pass in the middle of a
// paint would lose its invalidations; others look again when first drawn.
//
// When the cache lets a picture go, widgets showing it that are off screen
// let go too and become as if never drawn: a long list holds the pictures of
// the rows in view, not of every row it ever showed. Scrolled back, such a
// row finds its picture in the cache or fetches it again (a success fetched
// anew, not a failure retried). Resize-parent widgets keep theirs, as their
// parent's layout depends on it.
//
// The fetch goes through the pictures the device keeps across restarts
// (PictureStore), behind the cache in memory: a picture the device holds
// fresh costs no request, an older one only a check with the server.
//
// Going away while the fetch runs cancels it and removes the handler first,
// under the UI lock that completions are fired under, so a late completion
// never reaches a destroyed widget.
template <class Base>
class TRemoteImage : public Base, public IPictureSize {
public:
    ~TRemoteImage() override { StopFetch(); }

    // The picture is resolved once: a URL set after it was found in the cache
    // or after its fetch started is neither looked up nor fetched.
    void SetUrl(const std::u16string& value) {
        url = value;
        if (!IsResolved()) ShowCached();
    }
    const std::u16string& GetUrl() const { return url; }
    void SetLocalPath(const std::u16string& value) { localPath = value; }
    // After the picture arrives the parent lays itself out again (a list that
    // must grow to the new content).
    void SetResizeParent(bool value) { resizeParent = value; }
    // The request holds the application's busy indicator while it runs.
    void SetBusyIndicator(bool value) { busyIndicator = value; }
    bool IsFetchStarted() const { return request != nullptr; }
    // The picture came from the picture cache, without a request.
    bool IsFromCache() const { return fromCache; }
    const shared_ptr<HttpRequest>& GetRequest() const { return request; }
    bool IsFetchPending() const { return request && request->Pending(); }

    bool HasPicture() const override {
        const shared_ptr<Surface>& s = this->GetSourceImage();
        return s && !s->IsEmpty();
    }
    void GetPictureSize(int32_t& width, int32_t& height) const override {
        const shared_ptr<Surface>& s = this->GetSourceImage();
        width = s ? s->Width() : 0;
        height = s ? s->Height() : 0;
    }

    void Draw(Surface& surface) override {
        // A fetched picture replaces the local icon when it arrives; one that
        // is already there leaves the icon unused.
        if (!localPath.empty() && !localIconLoaded && !fromCache) {
            localIconLoaded = true;
            Install(remotepicture::FileIcon(localPath));
        }
        if (!IsResolved() && !url.empty() && (resizeParent || !ShowCached())) {
            StartFetch();
            return;
        }
        Base::Draw(surface);
        KeepInCache();
    }

private:
    bool IsResolved() const { return request || fromCache; }

    bool ShowCached() {
        if (url.empty()) return false;
        shared_ptr<Surface> picture = ImagePool::Instance().RemotePictures().Find(url);
        if (!picture) return false;
        fromCache = true;
        pictureUrl = url;
        Install(picture);
        return true;
    }

    void StartFetch() {
        request = InetManager::Instance().AddPicture(url, busyIndicator);
        completion = ScopedSubscription::To(request.get(), request->Complete, this, &TRemoteImage::OnFetched);
    }

    void StopFetch() {
        if (!request) return;
        std::lock_guard<std::recursive_mutex> ui(net::UILock());
        if (request->Pending()) request->Cancel();
        completion.Reset();
        request = nullptr;
    }

    // On the worker that ran the request, under the UI lock. The cache gets
    // the picture at the next draw, on the UI thread, where it may let
    // others go.
    void OnFetched(HttpRequest* done, bool ok) {
        if (!ok) return;
        shared_ptr<Surface> picture = remotepicture::Decode(done->Data(), done->Size());
        if (!picture) return;
        KeepAlive guard(this);  // a parent's layout may drop the last owner
        this->ClearImageStates();
        Install(picture);
        pictureUrl = done->url;  // which a later SetUrl may not be
        offerToCache = true;
        GObject* parent = this->Parent();
        if (resizeParent && parent) remotepicture::RelayoutParent(*parent);
    }

    void Install(const shared_ptr<Surface>& picture) {
        this->AddImageState(0, picture);
        this->SetImageState(0, false);
    }

    // After drawing: a fetched picture enters the cache, a shown one counts
    // as used (and is measured again: drawing may have made a scaled copy).
    void KeepInCache() {
        if (pictureUrl.empty()) return;
        PictureCache& cache = ImagePool::Instance().RemotePictures();
        if (!resizeParent && !released.Active())
            released = ScopedSubscription::To(nullptr, cache.Released, this, &TRemoteImage::OnReleased);
        if (offerToCache) {
            offerToCache = false;
            cache.Put(pictureUrl, this->GetSourceImage());
        } else {
            cache.Used(pictureUrl);
        }
    }

    // The subscription stays: removing it while the event fires would make
    // the event skip the next widget.
    void OnReleased(const std::u16string& gone) {
        if (gone != pictureUrl || remotepicture::OnScreen(*this)) return;
        this->ClearImageStates();
        pictureUrl.clear();
        offerToCache = false;
        fromCache = false;
        completion.Reset();
        request = nullptr;
    }

    std::u16string url;
    std::u16string localPath;
    bool localIconLoaded = false;
    bool fromCache = false;
    std::u16string pictureUrl;  // of the picture shown, from the cache or fetched
    bool offerToCache = false;
    shared_ptr<HttpRequest> request;
    ScopedSubscription completion;
    ScopedSubscription released;
    bool resizeParent = false;
    bool busyIndicator = false;
};

namespace widgets {
// Application icons and screenshots.
using RemoteImage = TRemoteImage<TImage<GObject>>;
}  // namespace widgets
