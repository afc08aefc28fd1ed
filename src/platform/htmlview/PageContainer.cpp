#include "platform/htmlview/PageContainer.h"

#include <algorithm>
#include <cwctype>

#include <litehtml/url.h>

#include "base/Text.h"

namespace platform::htmlview {
namespace {

Colour ColourOf(const litehtml::web_color& c) { return {c.red, c.green, c.blue, c.alpha}; }

Box BoxOf(const litehtml::position& p) { return {p.x, p.y, p.width, p.height}; }

std::uint32_t ColorRef(const litehtml::web_color& c) {
    return static_cast<std::uint32_t>(c.red) | (static_cast<std::uint32_t>(c.green) << 8) |
           (static_cast<std::uint32_t>(c.blue) << 16);
}

// A path without its "." and ".." segments, as a link's target is meant.
std::string WithoutDotSegments(const std::string& path) {
    std::vector<std::string> kept;
    size_t start = path.empty() || path[0] != '/' ? 0 : 1;
    bool endsInFolder = false;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string segment = path.substr(start, end - start);
        endsInFolder = segment == "." || segment == "..";
        if (segment == "..") {
            if (!kept.empty()) kept.pop_back();
        } else if (segment != ".") {
            kept.push_back(segment);
        }
        start = end + 1;
    }
    std::string out = !path.empty() && path[0] == '/' ? "/" : "";
    for (size_t i = 0; i < kept.size(); ++i) out += (i ? "/" : "") + kept[i];
    if (endsInFolder && !out.empty() && out.back() != '/') out += '/';
    return out;
}

// `reference` read against `base`, as a browser resolves a link.
std::string ResolveAgainst(const std::string& base, const std::string& reference) {
    if (base.empty()) return reference;
    const litehtml::url joined = litehtml::resolve(litehtml::url(base), litehtml::url(reference));
    if (joined.path().find('.') == std::string::npos) return joined.string();
    return litehtml::url(joined.scheme(), joined.authority(), WithoutDotSegments(joined.path()), joined.query(),
                         joined.fragment())
        .string();
}

bool Draws(const litehtml::border& b) {
    return b.width > 0 && b.style != litehtml::border_style_none && b.style != litehtml::border_style_hidden;
}

// Images wider or taller than this on a page are taken reduced: a strip or a
// small screen never shows more, and a hostile page must not fill memory.
constexpr int kImageSide = 2048;

}  // namespace

PageContainer::PageContainer(std::string pageUrl, PageSettings settings, Fetcher fetch)
    : pageUrl(pageUrl), baseUrl(std::move(pageUrl)), settings(settings), fetch(std::move(fetch)) {}

PageContainer::~PageContainer() = default;

void PageContainer::SetClientSize(int width, int height) {
    settings.clientWidth = width;
    settings.clientHeight = height;
}

std::string PageContainer::Resolve(const std::string& reference) const {
    return ResolveAgainst(baseUrl, reference);
}

void PageContainer::Draw(const litehtml::document::ptr& document, PageCanvas& target) {
    canvas = &target;
    unmatchedClips = 0;
    cuts.Begin();
    litehtml::position clip(0, 0, target.Width(), target.Height());
    document->draw(reinterpret_cast<litehtml::uint_ptr>(&target), 0, 0, &clip);
    while (unmatchedClips-- > 0) target.PopClip();
    canvas = nullptr;
}

std::optional<std::string> PageContainer::TakeClickedLink() {
    std::optional<std::string> link;
    link.swap(clicked);
    return link;
}

// --- Fonts and text ------------------------------------------------------------

litehtml::uint_ptr PageContainer::create_font(const char*, int size, int weight, litehtml::font_style,
                                              unsigned int decoration, litehtml::font_metrics* fm) {
    text::FontDescription d;
    // The page gives the em size; the text role takes it as a negative height.
    d.height = -std::clamp(size, 1, 512);
    d.weight = weight;
    d.underline = (decoration & litehtml::font_decoration_underline) != 0;
    FontEntry entry;
    entry.font = text::Font::Create(d);
    if (!entry.font) return 0;
    entry.strikeOut = (decoration & litehtml::font_decoration_linethrough) != 0;
    const text::Glyph& x = entry.font->GetGlyph(U'x');
    entry.xHeight = x.top > 0 ? x.top : entry.font->Ascent() / 2;
    if (fm) {
        fm->ascent = entry.font->Ascent();
        fm->descent = entry.font->Descent();
        fm->height = entry.font->LineHeight();
        fm->x_height = entry.xHeight;
        fm->draw_spaces = d.underline || entry.strikeOut;
    }
    fonts.push_back(std::move(entry));
    return fonts.size();
}

PageContainer::FontEntry* PageContainer::FontOf(litehtml::uint_ptr handle) {
    if (handle == 0 || handle > fonts.size() || !fonts[handle - 1].font) return nullptr;
    return &fonts[handle - 1];
}

void PageContainer::delete_font(litehtml::uint_ptr handle) {
    if (FontEntry* f = FontOf(handle)) f->font.reset();
}

int PageContainer::text_width(const char* textUtf8, litehtml::uint_ptr handle) {
    FontEntry* f = FontOf(handle);
    if (!f || !textUtf8) return 0;
    measure.SelectFont(f->font.get());
    const int width = measure.GetTextExtent(U16(textUtf8)).width;
    measure.SelectFont(nullptr);
    return width;
}

void PageContainer::draw_text(litehtml::uint_ptr hdc, const char* textUtf8, litehtml::uint_ptr handle,
                              litehtml::web_color color, const litehtml::position& pos) {
    FontEntry* f = FontOf(handle);
    auto* target = reinterpret_cast<PageCanvas*>(hdc);
    if (!f || !target || !textUtf8) return;
    text::DeviceContext& dc = target->Text();
    dc.SelectFont(f->font.get());
    dc.SetTextColor(ColorRef(color));
    const std::u16string words = U16(textUtf8);
    dc.ExtTextOut(pos.x, pos.y, words);
    dc.SelectFont(nullptr);
    if (words.find_first_not_of(u" \t\r\n\u00A0") != std::u16string::npos)
        cuts.Word(*target, *f->font, ColorRef(color), BoxOf(pos));
    if (f->strikeOut) {
        const int thickness = std::max(1, f->font->UnderlineThickness());
        target->Fill({pos.x, pos.y + f->font->Ascent() - f->xHeight / 2, pos.width, thickness}, ColourOf(color));
    }
}

int PageContainer::pt_to_px(int pt) const { return pt * settings.dpi / 72; }

int PageContainer::get_default_font_size() const { return settings.defaultFontSize; }

const char* PageContainer::get_default_font_name() const { return "sans-serif"; }

void PageContainer::transform_text(litehtml::tstring& textUtf8, litehtml::text_transform tt) {
    if (tt == litehtml::text_transform_none) return;
    std::u16string t = U16(textUtf8);
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool upper = tt == litehtml::text_transform_uppercase || (tt == litehtml::text_transform_capitalize && i == 0);
        const wint_t c = t[i];
        t[i] = static_cast<char16_t>(upper ? std::towupper(c) : tt == litehtml::text_transform_lowercase ? std::towlower(c) : c);
    }
    textUtf8 = U8(t);
}

void PageContainer::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) {
    auto* target = reinterpret_cast<PageCanvas*>(hdc);
    if (!target) return;
    const Box box = BoxOf(marker.pos);
    switch (marker.marker_type) {
    case litehtml::list_style_type_none:
        return;
    case litehtml::list_style_type_disc:
    case litehtml::list_style_type_circle: {
        const int r = box.width / 2;
        const int radii[4] = {r, r, r, r};
        target->Fill(box, ColourOf(marker.color), radii);
        if (marker.marker_type == litehtml::list_style_type_circle && box.width > 2) {
            const int inner = std::max(0, r - 1);
            const int innerRadii[4] = {inner, inner, inner, inner};
            target->Fill({box.x + 1, box.y + 1, box.width - 2, box.height - 2}, {255, 255, 255, 255}, innerRadii);
        }
        return;
    }
    case litehtml::list_style_type_square:
        target->Fill(box, ColourOf(marker.color));
        return;
    default: {
        // Counted lists: the number, ending where the marker box ends.
        FontEntry* f = FontOf(marker.font);
        if (!f) return;
        const std::u16string number = ::text::ToU16(marker.index) + u".";
        text::DeviceContext& dc = target->Text();
        dc.SelectFont(f->font.get());
        dc.SetTextColor(ColorRef(marker.color));
        const int width = dc.GetTextExtent(number).width;
        dc.ExtTextOut(box.Right() - width, box.Bottom() - f->font->Ascent(), number);
        dc.SelectFont(nullptr);
        return;
    }
    }
}

// --- Images ----------------------------------------------------------------------

PageContainer::Image* PageContainer::ImageOf(const char* src, const char* baseurl) {
    if (!src || !*src) return nullptr;
    const std::string url = baseurl && *baseurl ? ResolveAgainst(baseurl, src) : Resolve(src);
    auto found = images.find(url);
    if (found != images.end()) return found->second.natural.IsEmpty() ? nullptr : &found->second;
    if (!fetch) return nullptr;
    Image& image = images[url];  // a failure is remembered too: asked once
    if (auto body = fetch(url, kImageLimit)) {
        imaging::DecodeOptions options;
        options.limits.maxSide = kImageSide;
        options.limits.maxPixels = int64_t{kImageSide} * kImageSide / 4;
        options.allowReduced = true;
        imaging::Decode(reinterpret_cast<const std::uint8_t*>(body->data()), body->size(), image.natural, options);
    }
    return image.natural.IsEmpty() ? nullptr : &image;
}

void PageContainer::load_image(const char* src, const char* baseurl, bool) { ImageOf(src, baseurl); }

// A picture's own pixels count as CSS pixels, a 96th of an inch: on a denser
// screen it is drawn larger, as the text is.
void PageContainer::get_image_size(const char* src, const char* baseurl, litehtml::size& sz) {
    Image* image = ImageOf(src, baseurl);
    if (!image) {
        sz.width = sz.height = 0;
        return;
    }
    sz.width = std::max(1, (image->natural.width * settings.dpi + 48) / 96);
    sz.height = std::max(1, (image->natural.height * settings.dpi + 48) / 96);
}

const imaging::Bitmap& PageContainer::Scaled(Image& image, int width, int height) {
    if (width == image.natural.width && height == image.natural.height) return image.natural;
    if (image.scaled.width != width || image.scaled.height != height)
        image.scaled = imaging::Resample(image.natural, width, height);
    return image.scaled;
}

void PageContainer::draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) {
    auto* target = reinterpret_cast<PageCanvas*>(hdc);
    if (!target) return;
    const auto& r = bg.border_radius;
    const int radii[4] = {r.top_left_x, r.top_right_x, r.bottom_right_x, r.bottom_left_x};
    if (bg.color.alpha > 0) target->Fill(BoxOf(bg.clip_box), ColourOf(bg.color), radii);
    cuts.Background(BoxOf(bg.clip_box), ColourOf(bg.color));
    if (!bg.image.empty()) DrawBackgroundImage(*target, bg);
}

void PageContainer::DrawBackgroundImage(PageCanvas& target, const litehtml::background_paint& bg) {
    Image* image = ImageOf(bg.image.c_str(), bg.baseurl.c_str());
    const int w = bg.image_size.width, h = bg.image_size.height;
    if (!image || w <= 0 || h <= 0 || w > 4 * kImageSide || h > 4 * kImageSide) return;
    const imaging::Bitmap& picture = Scaled(*image, w, h);
    const Box clip = BoxOf(bg.clip_box);
    if (clip.Empty()) return;
    const bool repeatX = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_x;
    const bool repeatY = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_y;
    // The first tile at or before the clip's edge, in step with the position.
    auto first = [](int position, int edge, int step) {
        if (position <= edge) return position + (edge - position) / step * step;
        return position - ((position - edge + step - 1) / step) * step;
    };
    const int x0 = repeatX ? first(bg.position_x, clip.x, w) : bg.position_x;
    const int y0 = repeatY ? first(bg.position_y, clip.y, h) : bg.position_y;
    for (int y = y0; y < clip.Bottom(); y += h) {
        for (int x = x0; x < clip.Right(); x += w) {
            target.Draw(picture, x, y, clip);
            if (!repeatX) break;
        }
        if (!repeatY) break;
    }
}

// --- Boxes --------------------------------------------------------------------------

void PageContainer::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                                 const litehtml::position& pos, bool) {
    auto* target = reinterpret_cast<PageCanvas*>(hdc);
    if (!target) return;
    // Every style is drawn solid: at a strip's size a dash is a blur.
    if (Draws(borders.top)) target->Fill({pos.x, pos.y, pos.width, borders.top.width}, ColourOf(borders.top.color));
    if (Draws(borders.bottom))
        target->Fill({pos.x, pos.bottom() - borders.bottom.width, pos.width, borders.bottom.width},
                     ColourOf(borders.bottom.color));
    if (Draws(borders.left))
        target->Fill({pos.x, pos.y, borders.left.width, pos.height}, ColourOf(borders.left.color));
    if (Draws(borders.right))
        target->Fill({pos.right() - borders.right.width, pos.y, borders.right.width, pos.height},
                     ColourOf(borders.right.color));
}

void PageContainer::set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool valid_x,
                             bool valid_y) {
    if (!canvas) return;
    constexpr int kFar = 1 << 24;
    Box box = BoxOf(pos);
    if (!valid_x) box.x = -kFar, box.width = 2 * kFar;
    if (!valid_y) box.y = -kFar, box.height = 2 * kFar;
    canvas->PushClip(box);
    ++unmatchedClips;
}

void PageContainer::del_clip() {
    if (!canvas || unmatchedClips == 0) return;
    canvas->PopClip();
    --unmatchedClips;
}

void PageContainer::get_client_rect(litehtml::position& client) const {
    client = litehtml::position(0, 0, settings.clientWidth, settings.clientHeight);
}

// --- The page as a whole -------------------------------------------------------------

// A strip has no title bar to show the page's title in.
void PageContainer::set_caption(const char*) {}

void PageContainer::set_base_url(const char* base) {
    if (base && *base) baseUrl = ResolveAgainst(pageUrl, base);
}

void PageContainer::link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) {}

void PageContainer::on_anchor_click(const char* url, const litehtml::element::ptr&) {
    if (url && *url) clicked = Resolve(url);
}

void PageContainer::set_cursor(const char*) {}

void PageContainer::import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl) {
    const std::string address = baseurl.empty() ? Resolve(url) : ResolveAgainst(baseurl, url);
    baseurl = address;
    if (!fetch) return;
    if (auto body = fetch(address, kStyleSheetLimit)) text = std::move(*body);
}

std::shared_ptr<litehtml::element> PageContainer::create_element(const char*, const litehtml::string_map&,
                                                                 const std::shared_ptr<litehtml::document>&) {
    return nullptr;
}

void PageContainer::get_media_features(litehtml::media_features& media) const {
    media.type = litehtml::media_type_screen;
    media.width = settings.clientWidth;
    media.height = settings.clientHeight;
    media.device_width = settings.screenWidth;
    media.device_height = settings.screenHeight;
    media.color = 5;  // the 5-6-5 frame: five bits for red and blue
    media.color_index = 0;
    media.monochrome = 0;
    media.resolution = settings.dpi;
}

void PageContainer::get_language(litehtml::tstring& language, litehtml::tstring& culture) const {
    language = "en";
    culture.clear();
}

}  // namespace platform::htmlview
