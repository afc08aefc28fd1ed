#include <gtest/gtest.h>

#include <vector>

#include "../support/TempDir.h"
#include "TestImages.h"
#include "ui/ImagePool.h"
#include "ui/PictureCache.h"
#include "ui/WMSurface.h"

namespace {

namespace ti = testimages;

// A decoded 64 x 64 icon with transparency, as the catalog serves them.
shared_ptr<Surface> Icon(uint32_t colour) {
    shared_ptr<WMSurface> s(new WMSurface());
    EXPECT_TRUE(s->LoadBuffer(ti::Png(ti::Make(64, 64, true, [colour](int, int) { return colour; }))));
    return s;
}

std::u16string Url(int n) { return u"http://catalog/icons/" + std::u16string(1, char16_t(u'a' + n)) + u".png"; }

// What the cache really holds, summed from the pictures themselves.
size_t HeldBytes(PictureCache& cache, int urls) {
    size_t sum = 0;
    for (int n = 0; n < urls; ++n)
        if (cache.Contains(Url(n))) sum += cache.Find(Url(n))->MemoryBytes();
    return sum;
}

// More pictures than it holds: it keeps the most recently used within its
// budget (a picture found or drawn again counts as used; one that grew by a
// scaled copy is counted anew), and a picture it let go still works for
// whoever holds it.
TEST(PictureCache, KeepsTheMostRecentlyUsedWithinItsBudget) {
    const size_t one = Icon(0)->MemoryBytes();
    EXPECT_EQ(one, 64u * 64 * (2 + 1 + 4)) << "16-bit colour, the alpha plane and the kept full-resolution RGBA";
    PictureCache cache(one * 3 + one / 2);
    std::vector<shared_ptr<Surface>> shown;
    for (int n = 0; n < 20; ++n) {
        shown.push_back(Icon(0x10203000u + static_cast<uint32_t>(n)));
        cache.Put(Url(n), shown.back());
        EXPECT_LE(cache.Bytes(), cache.Budget());
    }
    EXPECT_EQ(cache.Count(), 3u);
    EXPECT_FALSE(cache.Contains(Url(16)));
    EXPECT_EQ(shown[0]->Width(), 64);

    ASSERT_TRUE(cache.Find(Url(17)));  // a list shown again
    cache.Used(Url(18));               // a row drawn again
    cache.Put(Url(0), shown[0]);
    EXPECT_FALSE(cache.Contains(Url(19)));
    shared_ptr<Surface> fresh = Icon(0x0000FFFF);
    cache.Put(Url(0), fresh);  // the same URL again replaces its picture and is counted once
    EXPECT_EQ(cache.Find(Url(0)), fresh);
    EXPECT_EQ(cache.Bytes(), one * 3);

    cache.SetBudget(one * 3);
    fresh->GetScaled(32, 32);
    cache.Used(Url(0));
    EXPECT_EQ(cache.Count(), 2u);
    EXPECT_FALSE(cache.Contains(Url(17)));
    EXPECT_EQ(HeldBytes(cache, 20), cache.Bytes());
    EXPECT_EQ(cache.Bytes(), one * 2 + 32 * 32 * 3);

    cache.SetBudget(one / 2);  // a picture larger than the whole budget is not kept
    EXPECT_EQ(cache.Bytes(), 0u);
    cache.Put(Url(0), shown[0]);
    EXPECT_FALSE(cache.Contains(Url(0)));
}

// Skin images neither count against the pictures' budget nor leave the pool
// when fetched pictures crowd it.
TEST(PictureCache, SkinImagesStayInThePool) {
    TempDir dir;
    dir.Write("bg.png", ti::Png(ti::Make(200, 200, true, [](int x, int) { return x % 2 ? 0xFFFFFFFFu : 0x000000FFu; })));

    ImagePool& pool = ImagePool::Instance();
    pool.Clear();
    pool.SetBaseFolder(dir.Path().u16string() + u"/");
    PictureCache& remote = pool.RemotePictures();
    const size_t savedBudget = remote.Budget();
    remote.SetBudget(Icon(0)->MemoryBytes() * 2);

    // Only Cache fills the pool; NoCache and the other modes only read it.
    EXPECT_NE(pool.GetImage(u"bg.png", ImagePool::NoCache), pool.GetImage(u"bg.png", 7));
    EXPECT_FALSE(pool.IsCached(u"bg.png"));
    const shared_ptr<Surface> skin = pool.GetImage(u"bg.png");
    EXPECT_EQ(pool.GetImage(u"bg.png", 7), skin);
    ASSERT_FALSE(skin->IsEmpty());
    EXPECT_EQ(remote.Bytes(), 0u);
    for (int n = 0; n < 10; ++n) remote.Put(Url(n), Icon(0x123456FF));
    EXPECT_EQ(remote.Count(), 2u);
    EXPECT_TRUE(pool.IsCached(u"bg.png"));
    EXPECT_EQ(pool.GetImage(u"bg.png"), skin);

    pool.Clear();
    EXPECT_EQ(remote.Count(), 0u);
    remote.SetBudget(savedBudget);
    pool.SetBaseFolder(u"");
}

}  // namespace
