#include "platform/htmlview/Page.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "TestImages.h"
#include "platform/imaging/Pixel565.h"

using namespace platform::htmlview;

namespace {

constexpr const char* kUrl = "http://ads.example/ads/admob.php";
const std::uint16_t kRed = pixel565::FromRgb(255, 0, 0);
const std::uint16_t kSky = pixel565::FromRgb(0x33, 0x66, 0x99);

std::string RedSquarePng() {
    const auto png = testimages::Png(testimages::Make(10, 10, false, [](int, int) { return 0xFF0000FFu; }));
    return std::string(png.begin(), png.end());
}

// A page whose style sheet and picture come from the fetcher as they would
// from the network; everything it asks for is recorded.
struct PageFixture : ::testing::Test {
    std::map<std::string, std::string> resources{
        {"http://ads.example/ads/ad.css", "body{margin:0;background:#336699;color:#fff}.hidden{display:none}"},
        {"http://ads.example/icons/7.png", RedSquarePng()},
    };
    std::vector<std::string> asked;
    std::unique_ptr<Page> page;
    std::vector<std::uint16_t> pixels;
    int width = 240, height = 60;
    std::string url = kUrl;

    void Build(const std::string& markup, int dpi) {
        PageSettings settings;
        settings.dpi = dpi;
        settings.defaultFontSize = 12 * dpi / 96;
        page = Page::FromMarkup(markup, url, settings, [this](const std::string& url, std::size_t) {
            asked.push_back(url);
            auto found = resources.find(url);
            return found == resources.end() ? std::nullopt : std::optional<std::string>(found->second);
        });
        page->Layout(width, height);
        pixels.assign(static_cast<size_t>(width) * height, 0);
        PageCanvas canvas(pixels.data(), width, height);
        page->Draw(canvas);
    }
    std::uint16_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

const char* const kAd =
    "<html><head><title>Not shown</title><link rel=\"stylesheet\" href=\"ad.css\"></head><body>"
    "<style>a:hover{background:url(late.png)}</style>"
    "<a href=\"tobrix://7/\"><img src=\"../icons/7.png\"></a>"
    "<div>Chess <b>Pro</b></div><p class=\"hidden\">never</p>"
    "<div style=\"position:absolute;left:200px;top:0\"><a href=\"more?x=1\">More</a></div></body></html>";

TEST_F(PageFixture, DrawsWithItsStyleSheetAndPicturesAtTheDevicesDensity) {
    Build(kAd, 192);
    EXPECT_EQ(asked, (std::vector<std::string>{"http://ads.example/ads/ad.css", "http://ads.example/icons/7.png"}));
    // A 10-pixel picture is 10 CSS pixels: 20 device pixels at 192 DPI (a
    // few pixels down, on the line's baseline).
    EXPECT_EQ(At(1, 8), kRed);
    EXPECT_EQ(At(18, 20), kRed);
    EXPECT_NE(At(22, 10), kRed);
    EXPECT_EQ(At(100, height - 2), kSky);
    EXPECT_EQ(page->VisibleText(), "Chess Pro More");
}

// A tap on a link gives it resolved, a tap elsewhere nothing; nothing is
// fetched once the page is built (not even a hovered link's background).
TEST_F(PageFixture, ATapOnALinkGivesItResolvedAndATapElsewhereNothing) {
    Build(kAd, 96);
    const size_t fetched = asked.size();
    page->StylusDown(5, 5);
    EXPECT_EQ(page->StylusUp(5, 5), "tobrix://7/");
    page->StylusDown(205, 5);
    EXPECT_EQ(page->StylusUp(205, 5), "http://ads.example/ads/more?x=1");
    page->StylusDown(100, 50);
    EXPECT_EQ(page->StylusUp(100, 50), std::nullopt);
    page->StylusDown(5, 5);  // a stroke that leaves the link follows nothing
    EXPECT_EQ(page->StylusUp(100, -80), std::nullopt);
    page->Layout(width, height);
    EXPECT_EQ(asked.size(), fetched);
    // Markup that came from no address keeps its links as they are written.
    url.clear();
    Build(kAd, 96);
    page->StylusDown(205, 5);
    EXPECT_EQ(page->StylusUp(205, 5), "more?x=1");
}

// A box that hides its overflow, with the pitch of an advertisement that
// wraps under its bottom or, unwrapped, runs past its right edge: it reads
// as its first words and an ellipsis, the same pixels as a box that holds
// just those, and never as a line that simply stops.
TEST_F(PageFixture, TextCutByItsBoxEndsInAnEllipsisAfterAWord) {
    const std::vector<std::string> words{"Pictures", "and", "video,", "right", "on", "the", "handheld."};
    auto render = [&](const std::string& style, const std::string& text) {
        Build("<html><head><link rel=\"stylesheet\" href=\"ad.css\"></head><body><div style=\"width:120px;"
              "line-height:20px;height:20px;overflow:hidden;" + style + "\">" + text + "</div></body></html>", 96);
        return pixels;
    };
    for (const std::string style : {"", "white-space:nowrap"}) {
        SCOPED_TRACE(style);
        std::string all;
        for (const std::string& w : words) all += (all.empty() ? "" : " ") + w;
        const std::vector<std::uint16_t> cut = render(style, all);
        std::string shown;
        bool matched = false;
        for (std::size_t n = 0; n + 1 < words.size() && !matched; ++n) {
            shown += (n ? " " : "") + words[n];
            matched = render("", shown + "\u2026") == cut;
        }
        ASSERT_TRUE(matched);
        EXPECT_NE(render("", shown), cut) << "the line simply stops after \"" << shown << "\"";
    }
}

TEST_F(PageFixture, APageBringsAtMostItsShareOfResources) {
    std::string markup = "<html><body>";
    for (std::size_t i = 0; i < Page::kResourceLimit + 8; ++i)
        markup += "<img src=\"../icons/" + std::to_string(i) + ".png\">";
    Build(markup + "</body></html>", 96);
    EXPECT_EQ(asked.size(), Page::kResourceLimit);
}

}  // namespace
