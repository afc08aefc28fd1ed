#pragma once
#include <string>
#include <string_view>

namespace httplib {
struct Response;
}  // namespace httplib

namespace catalogd {

class Db;
struct AppRow;

// The advertising strip's pages, below "ads/" of the service's address (and
// of any folder the address has): "admob.php" in English and
// "mobiledirect.php" in Russian, each a house advertisement for one catalog
// application that every handheld can run, the next one on each load, and
// "ad.css", their style sheet. Plain HTML, no scripts; sizes in em so that a
// page fills a strip five lines of the device's font high on any screen.
bool IsAdPath(std::string_view path);
// Answers one of them; returns the HTTP status.
int ServeAdPage(std::string_view path, Db& db, std::string_view filesUrl, httplib::Response& res);

// The page for one application: its icon, name, `pitch` and a "tobrix:" link
// to it. `filesUrl` ends with "/".
std::string AdMarkup(const AppRow& app, std::string_view pitch, std::string_view filesUrl, bool russian);
// A line of an application's description that sells it, at most `limit`
// characters (cut at a word, with an ellipsis).
std::string PitchOf(const AppRow& app, std::string_view description, std::size_t limit = 60);

}  // namespace catalogd
