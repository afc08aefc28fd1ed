#include <gtest/gtest.h>

#include <chrono>

#include "TempRoot.h"
#include "support/HeldServer.h"
#include "TestImages.h"
#include "UiTestSupport.h"
#include "core/Kestrum.h"
#include "core/PlainAppServices.h"
#include "net/InetManager.h"
#include "platform/files/Files.h"
#include "ui/ImagePool.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/layouts/ScreenshotsLayout.h"
#include "ui/widgets/TRemoteImage.h"
#include "ui/widgets/WidgetTypes.h"

using namespace std::chrono_literals;

namespace {

// Pictures on loopback: /shot.png at once, /late.png only when the test
// releases it, /missing a 404, /junk bytes that are no image.
struct PictureServer : HeldServer {
    explicit PictureServer(const std::string& png) {
        Serve("/shot.png", png);
        Serve("/late.png", png, 0);
        Serve("/junk", "not a picture");
    }
};

class RemoteImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        Kestrum::Instance().SetApplication(&services);
        LayoutMetrics m;
        m.fontUnit = 10;
        LayoutMetrics::Set(m);
        ImagePool::Instance().RemotePictures().Clear();
    }
    void TearDown() override {
        EXPECT_TRUE(InetManager::Instance().WaitIdle(10s));
        ImagePool::Instance().RemotePictures().Clear();
        Kestrum::Instance().SetApplication(nullptr);
    }
    // Paints a frame under the UI lock, as the window does.
    void Paint() {
        std::lock_guard lock(services.UILock());
        server.Invalidate();
        server.Tick(true, true);
    }
    // Paints (which starts the fetches), lets them finish, paints the answers.
    [[nodiscard]] bool FetchAndPaint() {
        Paint();
        const bool idle = InetManager::Instance().WaitIdle(10s);
        Paint();
        return idle;
    }
    // An image of `url` on the screen at `r`.
    shared_ptr<widgets::RemoteImage> Image(const std::u16string& url, Rect r) {
        std::lock_guard lock(services.UILock());
        shared_ptr<widgets::RemoteImage> image(new widgets::RemoteImage());
        image->SetUrl(url);
        image->SetRect(r);
        server.GetRoot()->AddChild(image);
        return image;
    }
    static std::string Picture(int w, int h) {
        auto stripes = [](int x, int) { return x % 2 ? 0x3366CCFFu : 0xCC6633FFu; };
        auto bytes = testimages::Png(testimages::Make(w, h, false, stripes));
        return std::string(bytes.begin(), bytes.end());
    }

    TempRoot device;
    PlainAppServices services;
    RecordingServer server{240, 320};
};

}  // namespace

// The screenshot arrives after its list was laid out: the list grows by the
// picture (scaled to the list's width) and the busy indicator goes down.
TEST_F(RemoteImageTest, ALatePictureGrowsItsList) {
    PictureServer pictures(Picture(440, 220));
    shared_ptr<GObject> list;
    shared_ptr<widgets::RemoteImage> shot;
    {
        std::lock_guard lock(services.UILock());
        list = NewObject(0, 0, 240, 1);
        server.GetRoot()->AddChild(list);
        shared_ptr<widgets::Label> caption(new widgets::Label());
        caption->SetText(u"Screen 1");
        list->AddChild(caption);
        shot = new widgets::RemoteImage();
        shot->SetUrl(pictures.Url("/late.png"));
        shot->SetResizeParent(true);
        shot->SetBusyIndicator(true);
        list->AddChild(shot);
        list->SetLayout(shared_ptr<Layout>(new ScreenshotsLayout()));
    }
    const int before = list->Height();
    EXPECT_EQ(before, 5 + 20);
    EXPECT_FALSE(shot->IsFetchStarted());  // nothing is fetched before it is drawn

    Paint();
    ASSERT_TRUE(shot->IsFetchStarted());
    ASSERT_TRUE(pictures.WaitUntilHeld());
    EXPECT_EQ(services.BusyCount(), 1);
    EXPECT_FALSE(shot->HasPicture());
    pictures.Release();
    ASSERT_TRUE(InetManager::Instance().WaitIdle(10s));

    std::lock_guard lock(services.UILock());
    EXPECT_EQ(services.BusyCount(), 0);
    ASSERT_TRUE(shot->HasPicture());
    int32_t w = 0, h = 0;
    shot->GetPictureSize(w, h);
    EXPECT_EQ(w, 440);
    EXPECT_EQ(shot->GetRect(), Rect(10, 25, 220, 110));  // never wider than the list less its margins
    EXPECT_EQ(list->Height(), 25 + 110);
}

// A failed fetch leaves the image empty for good: no retry when it is
// drawn again, and a picture that does not decode counts as failed.
TEST_F(RemoteImageTest, FailuresLeaveItEmptyWithoutRetrying) {
    PictureServer pictures(Picture(8, 8));
    const shared_ptr<widgets::RemoteImage> images[] = {Image(pictures.Url("/missing"), Rect(0, 0, 40, 40)),
                                                       Image(pictures.Url("/junk"), Rect(0, 0, 40, 40))};
    ASSERT_TRUE(FetchAndPaint());
    Paint();
    EXPECT_EQ(InetManager::Instance().QueueLength(), 0u);
    std::lock_guard lock(services.UILock());
    for (const auto& image : images) {
        EXPECT_FALSE(image->HasPicture());
        EXPECT_TRUE(image->IsFetchStarted());
        EXPECT_FALSE(image->IsFetchPending());
    }
}

// A row scrolled away and destroyed while its icon is still downloading
// cancels the download; the late completion must not reach freed memory
// (the sanitizer would report it).
TEST_F(RemoteImageTest, DestroyedWhilePendingCancelsTheRequest) {
    PictureServer pictures(Picture(8, 8));
    shared_ptr<HttpRequest> request;
    shared_ptr<widgets::RemoteImage> icon = Image(pictures.Url("/late.png"), Rect(0, 0, 32, 32));
    Paint();
    {
        std::lock_guard lock(services.UILock());
        request = icon->GetRequest();
    }
    ASSERT_TRUE(request);
    // The server holds the answer back: the download is under way, not
    // merely queued, when the row goes.
    ASSERT_TRUE(pictures.WaitUntilHeld());
    {
        std::lock_guard lock(services.UILock());
        server.GetRoot()->RemoveChild(icon);
        icon = nullptr;  // the last owner goes here
    }
    EXPECT_TRUE(request->Cancelled());
    pictures.Release();
    ASSERT_TRUE(InetManager::Instance().WaitIdle(10s));
    std::lock_guard lock(services.UILock());
    EXPECT_TRUE(request->Complete.Empty());
    request = nullptr;
}

// A program's icon comes from the shell, drawn on magenta with magenta made
// transparent: what surrounds the drawn shape shows the row below.
TEST_F(RemoteImageTest, LocalProgramIconHasItsBackgroundKeyedOut) {
    ASSERT_TRUE(platform::CreateFolders(u"\\Program Files\\Tool"));
    ASSERT_TRUE(platform::WriteFile(u"\\Program Files\\Tool\\tool.exe", "program"));
    std::lock_guard lock(services.UILock());
    shared_ptr<widgets::RemoteImage> icon(new widgets::RemoteImage());
    icon->SetLocalPath(u"\\Program Files\\Tool\\tool.exe");
    icon->SetRect(Rect(0, 0, 64, 64));
    server.GetRoot()->AddChild(icon);
    Paint();
    ASSERT_TRUE(icon->HasPicture());
    const shared_ptr<Surface>& picture = icon->GetSourceImage();
    EXPECT_EQ(picture->Width(), 32);
    EXPECT_EQ(picture->AlphaAt(0, 0), 0);                  // keyed out
    EXPECT_EQ(picture->AlphaAt(16, 20), 255);              // the drawn window
    EXPECT_EQ(server.surface->PixelAt(1, 1), 0xFFFF);      // the white screen shows through
    EXPECT_FALSE(icon->IsFetchStarted());
}

// Going back to a list: a row made again for an icon that was fetched
// before shows it at once and sends nothing, even after the cache let the
// picture go from under the first row, which keeps showing it.
TEST_F(RemoteImageTest, AFetchedPictureIsShownAgainWithoutARequest) {
    PictureServer pictures(Picture(16, 16));
    auto newIcon = [&] {
        shared_ptr<widgets::RemoteImage> icon(new widgets::RemoteImage());
        icon->SetStretch(true);
        icon->SetUrl(pictures.Url("/shot.png"));
        icon->SetRect(Rect(0, 0, 32, 32));
        return icon;
    };
    shared_ptr<widgets::RemoteImage> first = newIcon();
    EXPECT_FALSE(first->HasPicture());
    server.GetRoot()->AddChild(first);
    ASSERT_TRUE(FetchAndPaint());
    ASSERT_EQ(pictures.Served(), 1);

    std::lock_guard lock(services.UILock());
    PictureCache& cache = ImagePool::Instance().RemotePictures();
    ASSERT_TRUE(cache.Contains(pictures.Url("/shot.png")));
    EXPECT_EQ(cache.Bytes(), first->GetSourceImage()->MemoryBytes()) << "the drawn 32 x 32 copy counts too";
    server.GetRoot()->RemoveChild(first);
    shared_ptr<widgets::RemoteImage> again = newIcon();
    EXPECT_TRUE(again->IsFromCache());
    EXPECT_TRUE(again->HasPicture());
    EXPECT_EQ(again->GetSourceImage(), first->GetSourceImage());
    server.GetRoot()->AddChild(again);
    Paint();
    EXPECT_FALSE(again->IsFetchStarted());
    EXPECT_EQ(InetManager::Instance().QueueLength(), 0u);
    EXPECT_NE(server.surface->PixelAt(16, 16), 0xFFFF);

    const size_t budget = cache.Budget();
    cache.SetBudget(0);
    EXPECT_EQ(cache.Count(), 0u);
    Paint();
    EXPECT_TRUE(again->HasPicture());
    EXPECT_NE(server.surface->PixelAt(16, 16), 0xFFFF);
    cache.SetBudget(budget);
    EXPECT_EQ(pictures.Served(), 1);
}

// A row scrolled far away lets its icon go when the cache does, so a long
// list holds only the icons in view; scrolled back, it fetches the icon
// again. A row in view keeps its icon even when the cache lets it go.
TEST_F(RemoteImageTest, AnOffScreenRowLetsItsPictureGoAndFetchesItAgain) {
    PictureServer pictures(Picture(16, 16));
    PictureCache& cache = ImagePool::Instance().RemotePictures();
    const size_t budget = cache.Budget();
    shared_ptr<widgets::RemoteImage> top = Image(pictures.Url("/shot.png?top"), Rect(0, 0, 16, 16));
    shared_ptr<widgets::RemoteImage> far = Image(pictures.Url("/shot.png?far"), Rect(0, 40, 16, 16));
    ASSERT_TRUE(FetchAndPaint());
    {
        std::lock_guard lock(services.UILock());
        ASSERT_EQ(cache.Count(), 2u);
        cache.SetBudget(cache.Bytes() / 2);  // room for one of them
        EXPECT_EQ(cache.Count(), 1u);
        EXPECT_TRUE(far->HasPicture()) << "both are in view";
        far->SetRect(Rect(0, 1000, 16, 16));  // scrolled far below the screen
        cache.SetBudget(0);
        EXPECT_FALSE(far->HasPicture());
        EXPECT_TRUE(top->HasPicture());
        EXPECT_EQ(cache.Count(), 0u);
        cache.SetBudget(budget);
        far->SetRect(Rect(0, 40, 16, 16));
    }
    ASSERT_TRUE(FetchAndPaint());
    std::lock_guard lock(services.UILock());
    EXPECT_TRUE(far->HasPicture());
    EXPECT_EQ(pictures.Served(), 3);
    EXPECT_TRUE(cache.Contains(pictures.Url("/shot.png?far")));
}
