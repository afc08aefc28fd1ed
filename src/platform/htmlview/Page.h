#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include <litehtml/litehtml.h>

#include "platform/htmlview/PageContainer.h"

namespace platform::htmlview {

// A page built and ready to be laid out and drawn: its own style context,
// its container (fonts, images) and the document. Built on whatever thread
// fetched it, then used by one thread at a time.
class Page {
public:
    static constexpr std::size_t kPageLimit = 256 * 1024;
    // What one page may bring besides itself: so many style sheets and
    // pictures, all of them within so long. A strip is small; a page that
    // asks for more, or a line too slow for it, shows without the rest
    // rather than holding a loading thread and the line.
    static constexpr std::size_t kResourceLimit = 24;
    static constexpr std::chrono::seconds kResourceTime{20};

    // Builds a page from its markup; style sheets and images come through
    // `fetch` while it is built (none when `fetch` is empty), at most
    // kResourceLimit of them. Whatever the
    // markup, the result is a page: broken markup shows what can be made of
    // it.
    static std::unique_ptr<Page> FromMarkup(const std::string& markup, const std::string& url,
                                            const PageSettings& settings, Fetcher fetch);
    // Fetches the page at `url` over HTTP, and what it refers to; nullopt
    // when the page itself cannot be had or `cancel` was set meanwhile.
    static std::unique_ptr<Page> Load(const std::string& url, const PageSettings& settings,
                                      const std::atomic<bool>& cancel);

    // Lays the page out for the client size; returns its height.
    int Layout(int width, int height);
    void Draw(PageCanvas& canvas) { container->Draw(document, canvas); }
    // A stylus press and release at client (x, y); the link the release
    // completed, if any.
    void StylusDown(int x, int y);
    std::optional<std::string> StylusUp(int x, int y);
    // The first link of the page, resolved against its address.
    std::optional<std::string> FirstLink() const;
    // The words the page shows, separated by single spaces.
    std::string VisibleText() const;
    const std::string& Url() const { return url; }

private:
    Page() = default;
    std::string url;
    litehtml::context context;
    std::unique_ptr<PageContainer> container;
    litehtml::document::ptr document;
};

// An HTTP GET of at most `limit` bytes with a successful status, within
// `most` (and never longer than a minute); nullopt on anything else, or once
// `cancel` is set.
std::optional<std::string> FetchBody(const std::string& url, std::size_t limit, const std::atomic<bool>& cancel,
                                     std::chrono::milliseconds most = std::chrono::minutes(1));

}  // namespace platform::htmlview
