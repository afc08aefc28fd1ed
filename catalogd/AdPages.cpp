#include "AdPages.h"

#include <httplib.h>

#include <atomic>

#include "Catalog.h"
#include "Seed.h"
#include "XmlWriter.h"

namespace catalogd {
namespace {

constexpr std::string_view kEnglishPage = "/ads/admob.php";
constexpr std::string_view kRussianPage = "/ads/mobiledirect.php";
constexpr std::string_view kStyleSheet = "/ads/ad.css";
constexpr std::string_view kLineBreak = "--br--";
// How many of the best rated applications take turns in the strip.
constexpr int64_t kRotation = 12;

constexpr const char* kStyle = R"css(html, body { margin: 0; padding: 0; }
body { background: #f3f6fa; color: #1d2833; font-family: sans-serif; }
a.ad { display: block; height: 4.3em; padding: 0.35em 0.5em; color: #1d2833; text-decoration: none; overflow: hidden; }
img.icon { float: left; width: 3.5em; height: 3.5em; margin: 0.4em 0.6em 0 0; }
.name { display: block; font-size: 1.1em; font-weight: bold; line-height: 1.25em; height: 1.25em; overflow: hidden; }
.pitch { display: block; color: #4b5a69; line-height: 1.25em; height: 1.25em; overflow: hidden; }
.go { display: block; color: #1560bd; font-size: 0.9em; white-space: nowrap; }
.price { background: #2e7d32; color: #ffffff; font-weight: bold; padding: 0 0.3em; border-radius: 0.3em; }
)css";

std::atomic<uint64_t> turn{0};

std::string Escaped(std::string_view text) {
    std::string out;
    AppendEscaped(out, text);
    return out;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r' || s.front() == '\n')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

// Applications any handheld of the catalog can run: no edition, screen or
// feature asked beyond the smallest device's.
DeviceConfig AnyHandheld() {
    DeviceConfig d;
    d.configured = true;
    d.shortSide = 176;
    d.longSide = 220;
    return d;
}

std::string HouseAdMarkup(bool russian) {
    return std::string("<!DOCTYPE html>\n<html lang=\"") + (russian ? "ru" : "en") +
           "\"><head><meta charset=\"utf-8\"><title>Tobrix</title><link rel=\"stylesheet\" href=\"ad.css\"></head>\n"
           "<body><div class=\"ad\"><span class=\"name\">Tobrix</span><span class=\"pitch\">" +
           (russian ? "Приложения для вашего коммуникатора" : "Applications for your handheld") +
           "</span></div></body></html>\n";
}

}  // namespace

bool IsAdPath(std::string_view path) {
    return path.ends_with(kEnglishPage) || path.ends_with(kRussianPage) || path.ends_with(kStyleSheet);
}

std::string PitchOf(const AppRow& app, std::string_view description, std::size_t limit) {
    // The first line that says more than the application's own name.
    std::string_view chosen;
    for (std::string_view rest = description; !rest.empty();) {
        const size_t cut = rest.find(kLineBreak);
        const std::string_view line = Trimmed(rest.substr(0, cut));
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + kLineBreak.size());
        if (line.empty()) continue;
        if (chosen.empty()) chosen = line;
        if (!line.starts_with(app.name)) {
            chosen = line;
            break;
        }
    }
    if (chosen.size() <= limit) return std::string(chosen);
    // Cut at the last space that leaves room for the ellipsis, never inside
    // a UTF-8 sequence.
    size_t end = chosen.rfind(' ', limit - 1);
    if (end == std::string_view::npos || end == 0) {
        end = limit - 1;
        while (end > 0 && (static_cast<unsigned char>(chosen[end]) & 0xC0) == 0x80) --end;
    }
    return std::string(Trimmed(chosen.substr(0, end))) + "\u2026";
}

std::string AdMarkup(const AppRow& app, std::string_view pitch, std::string_view filesUrl, bool russian) {
    const std::string link = "tobrix://" + std::to_string(app.id) + "/";
    const bool free = app.type == "free";
    std::string price = free ? (russian ? "Бесплатно" : "Free") : "";
    std::string go = russian ? "Открыть в Tobrix \u203A" : "Open in Tobrix \u203A";
    std::string html = std::string("<!DOCTYPE html>\n<html lang=\"") + (russian ? "ru" : "en") +
                       "\"><head><meta charset=\"utf-8\"><title>" + Escaped(app.name) +
                       "</title><link rel=\"stylesheet\" href=\"ad.css\"></head>\n<body><a class=\"ad\" href=\"" +
                       link + "\">";
    if (!app.icon.empty())
        html += "<img class=\"icon\" src=\"" + Escaped(std::string(filesUrl) + app.icon) + "\" alt=\"\">";
    html += "<span class=\"name\">" + Escaped(app.name) + "</span><span class=\"pitch\">" + Escaped(pitch) +
            "</span><span class=\"go\">";
    if (!price.empty()) html += "<span class=\"price\">" + price + "</span> ";
    html += go + "</span></a></body></html>\n";
    return html;
}

int ServeAdPage(std::string_view path, Db& db, std::string_view filesUrl, httplib::Response& res) {
    // Every load is a new advertisement: nothing in between may keep one.
    res.set_header("Cache-Control", "no-store");
    if (path.ends_with(kStyleSheet)) {
        res.set_content(kStyle, "text/css; charset=utf-8");
        return 200;
    }
    const bool russian = path.ends_with(kRussianPage);
    const DeviceConfig device = AnyHandheld();
    Catalog catalog(db, device);
    AppFilter filter;
    filter.sort = "rates";
    filter.count = kRotation + 1;  // the store itself may be among them
    std::vector<AppRow> apps = catalog.Find(filter);
    std::erase_if(apps, [](const AppRow& a) { return a.sysid == kStoreSysid; });
    if (apps.empty()) {
        res.set_content(HouseAdMarkup(russian), "text/html; charset=utf-8");
        return 200;
    }
    const AppRow& app = apps[turn++ % apps.size()];
    res.set_content(AdMarkup(app, PitchOf(app, catalog.Description(app.id)), filesUrl, russian),
                    "text/html; charset=utf-8");
    return 200;
}

}  // namespace catalogd
