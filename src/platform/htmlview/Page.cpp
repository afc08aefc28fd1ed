#include "platform/htmlview/Page.h"

#include <algorithm>
#include <chrono>

#include "platform/htmlview/MasterStyle.h"
#include "platform/http/BodySink.h"
#include "platform/http/HttpClient.h"

namespace platform::htmlview {
namespace {

// A page or one of its resources: a successful answer of at most `limit`
// bytes.
class ResourceSink : public HttpSink {
public:
    ResourceSink(std::size_t limit, const std::atomic<bool>& cancel) : limit(limit), cancel(cancel) {}
    bool Begin(const HttpHead& head) override {
        ok = head.status >= 200 && head.status < 300 && body.IntoMemory(head.contentLength, limit);
        return ok && !cancel;
    }
    bool Stopping() const override { return cancel; }
    bool Piece(const char* data, std::size_t size) override {
        if (cancel || !body.Take(data, size)) return ok = false;
        return true;
    }
    std::string Text() {
        const std::vector<char> bytes = body.TakeBody();
        return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(body.Received()));
    }
    bool ok = false;

private:
    BodySink body;
    std::size_t limit;
    const std::atomic<bool>& cancel;
};

// Page resources are small; a link that cannot bring them in this time has
// nothing to show anyway, and a closing view must not wait long for them.
HttpOptions ResourceOptions(std::chrono::milliseconds most) {
    HttpOptions options;
    options.connectTimeout = std::min<std::chrono::milliseconds>(std::chrono::milliseconds(10000), most);
    options.lowSpeedTime = std::chrono::seconds(15);
    options.totalTimeout = std::min<std::chrono::milliseconds>(std::chrono::minutes(1), most);
    options.compressed = true;
    return options;
}

// At most kResourceLimit fetches go through.
Fetcher Counted(Fetcher fetch) {
    if (!fetch) return fetch;
    return [fetch = std::move(fetch), left = Page::kResourceLimit](const std::string& url,
                                                                   std::size_t limit) mutable {
        if (left == 0) return std::optional<std::string>();
        --left;
        return fetch(url, limit);
    };
}

void CollectText(const litehtml::element::ptr& element, std::string& out) {
    if (!element || element->get_display() == litehtml::display_none) return;
    const std::size_t children = element->get_children_count();
    if (children == 0) {
        litehtml::tstring words;
        element->get_text(words);
        for (char c : words) {
            const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
            if (space) {
                if (!out.empty() && out.back() != ' ') out += ' ';
            } else {
                out += c;
            }
        }
        return;
    }
    for (std::size_t i = 0; i < children; ++i) CollectText(element->get_child(static_cast<int>(i)), out);
    // A block's words never run into the next block's.
    const litehtml::style_display display = element->get_display();
    if (display != litehtml::display_inline && display != litehtml::display_inline_text && !out.empty() &&
        out.back() != ' ')
        out += ' ';
}

const char* FirstHref(const litehtml::element::ptr& element) {
    if (!element || element->get_display() == litehtml::display_none) return nullptr;
    const char* tag = element->get_tagName();
    if (tag && std::string_view(tag) == "a")
        if (const char* href = element->get_attr("href"); href && *href) return href;
    const std::size_t children = element->get_children_count();
    for (std::size_t i = 0; i < children; ++i)
        if (const char* href = FirstHref(element->get_child(static_cast<int>(i)))) return href;
    return nullptr;
}

}  // namespace

std::optional<std::string> FetchBody(const std::string& url, std::size_t limit, const std::atomic<bool>& cancel,
                                     std::chrono::milliseconds most) {
    if (cancel || most <= std::chrono::milliseconds::zero()) return std::nullopt;
    ResourceSink sink(limit, cancel);
    const HttpResult result = HttpGet(url, ResourceOptions(most), sink);
    if (result.outcome != HttpOutcome::Complete || !sink.ok || cancel) return std::nullopt;
    return sink.Text();
}

std::unique_ptr<Page> Page::FromMarkup(const std::string& markup, const std::string& url,
                                       const PageSettings& settings, Fetcher fetch) {
    std::unique_ptr<Page> page(new Page());
    page->url = url;
    page->context.load_master_stylesheet(MasterStyleSheet());
    page->container = std::make_unique<PageContainer>(url, settings, Counted(std::move(fetch)));
    page->document = litehtml::document::createFromUTF8(markup.c_str(), page->container.get(), &page->context);
    page->container->StopFetching();
    return page;
}

std::unique_ptr<Page> Page::Load(const std::string& url, const PageSettings& settings,
                                 const std::atomic<bool>& cancel) {
    auto markup = FetchBody(url, kPageLimit, cancel);
    if (!markup) return nullptr;
    const auto until = std::chrono::steady_clock::now() + kResourceTime;
    Fetcher fetch = [&cancel, until](const std::string& resource, std::size_t limit) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        return FetchBody(resource, limit, cancel, left);
    };
    auto page = FromMarkup(*markup, url, settings, std::move(fetch));
    if (cancel) return nullptr;
    return page;
}

int Page::Layout(int width, int height) {
    container->SetClientSize(width, height);
    if (!document) return 0;
    document->render(width);
    return document->height();
}

void Page::StylusDown(int x, int y) {
    if (!document) return;
    litehtml::position::vector redraw;
    document->on_mouse_over(x, y, x, y, redraw);
    document->on_lbutton_down(x, y, x, y, redraw);
}

std::optional<std::string> Page::StylusUp(int x, int y) {
    if (!document) return std::nullopt;
    litehtml::position::vector redraw;
    // Only a release on a link follows it: a stroke that began on the page
    // and ended elsewhere (a drag of the screen above) follows nothing.
    document->on_mouse_over(x, y, x, y, redraw);
    document->on_lbutton_up(x, y, x, y, redraw);
    document->on_mouse_leave(redraw);
    return container->TakeClickedLink();
}

std::optional<std::string> Page::FirstLink() const {
    const char* href = document ? FirstHref(document->root()) : nullptr;
    if (!href) return std::nullopt;
    return container->Resolve(href);
}

std::string Page::VisibleText() const {
    std::string out;
    if (document) CollectText(document->root(), out);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace platform::htmlview
