#pragma once
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <litehtml/litehtml.h>

#include "platform/htmlview/PageCanvas.h"
#include "platform/htmlview/TextCutMarker.h"
#include "platform/imaging/Bitmap.h"
#include "platform/text/Font.h"

// What the layout engine asks of the device while it lays out and draws a
// page: fonts from the device's font files, images through the device's
// decoders, boxes, borders and text on a PageCanvas, sizes at the device's
// pixel density. One container serves one page: it is built on a loading
// thread together with its document and then used by one thread at a time.
namespace platform::htmlview {

// How the device shows pages.
struct PageSettings {
    int dpi = 96;
    int defaultFontSize = 12;  // pixels: the device's system font height
    int screenWidth = 240, screenHeight = 320;
    int clientWidth = 240, clientHeight = 60;
};

// Fetches a resource while the page is built: the body, or nullopt when it
// cannot be had within `limit` bytes.
using Fetcher = std::function<std::optional<std::string>(const std::string& url, std::size_t limit)>;

class PageContainer : public litehtml::document_container {
public:
    static constexpr std::size_t kStyleSheetLimit = 128 * 1024;
    static constexpr std::size_t kImageLimit = 512 * 1024;

    PageContainer(std::string pageUrl, PageSettings settings, Fetcher fetch);
    virtual ~PageContainer();

    // After the page is built: nothing is fetched any more.
    void StopFetching() { fetch = nullptr; }
    void SetClientSize(int width, int height);
    // Draws `document` at (0, 0) into the canvas.
    void Draw(const litehtml::document::ptr& document, PageCanvas& canvas);
    // The link of the last anchor the user clicked; taken once.
    std::optional<std::string> TakeClickedLink();
    const std::string& BaseUrl() const { return baseUrl; }
    std::string Resolve(const std::string& reference) const;

    // --- litehtml::document_container ---------------------------------------
    litehtml::uint_ptr create_font(const char* faceName, int size, int weight, litehtml::font_style italic,
                                   unsigned int decoration, litehtml::font_metrics* fm) override;
    void delete_font(litehtml::uint_ptr font) override;
    int text_width(const char* text, litehtml::uint_ptr font) override;
    void draw_text(litehtml::uint_ptr hdc, const char* text, litehtml::uint_ptr font, litehtml::web_color color,
                   const litehtml::position& pos) override;
    int pt_to_px(int pt) const override;
    int get_default_font_size() const override;
    const char* get_default_font_name() const override;
    void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override;
    void load_image(const char* src, const char* baseurl, bool redraw_on_ready) override;
    void get_image_size(const char* src, const char* baseurl, litehtml::size& sz) override;
    void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override;
    void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders, const litehtml::position& draw_pos,
                      bool root) override;
    void set_caption(const char* caption) override;
    void set_base_url(const char* base_url) override;
    void link(const std::shared_ptr<litehtml::document>& doc, const litehtml::element::ptr& el) override;
    void on_anchor_click(const char* url, const litehtml::element::ptr& el) override;
    void set_cursor(const char* cursor) override;
    void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override;
    void import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl) override;
    void set_clip(const litehtml::position& pos, const litehtml::border_radiuses& bdr_radius, bool valid_x,
                  bool valid_y) override;
    void del_clip() override;
    void get_client_rect(litehtml::position& client) const override;
    std::shared_ptr<litehtml::element> create_element(const char* tag_name, const litehtml::string_map& attributes,
                                                      const std::shared_ptr<litehtml::document>& doc) override;
    void get_media_features(litehtml::media_features& media) const override;
    void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override;

private:
    struct FontEntry {
        std::unique_ptr<text::Font> font;
        bool strikeOut = false;
        int xHeight = 0;
    };
    struct Image {
        imaging::Bitmap natural;
        imaging::Bitmap scaled;  // the last size it was drawn at
    };
    FontEntry* FontOf(litehtml::uint_ptr handle);
    Image* ImageOf(const char* src, const char* baseurl);
    const imaging::Bitmap& Scaled(Image& image, int width, int height);
    void DrawBackgroundImage(PageCanvas& canvas, const litehtml::background_paint& bg);

    std::string pageUrl;
    std::string baseUrl;
    PageSettings settings;
    Fetcher fetch;
    std::vector<FontEntry> fonts;  // handle = index + 1
    text::DeviceContext measure;
    std::map<std::string, Image> images;
    PageCanvas* canvas = nullptr;  // while drawing
    int unmatchedClips = 0;
    TextCutMarker cuts;
    std::optional<std::string> clicked;
};

}  // namespace platform::htmlview
