#include "AnswerCoding.h"

#include <httplib.h>

#include <string_view>

namespace catalogd {
namespace {

bool IsText(std::string_view type) {
    type = type.substr(0, type.find(';'));
    return type.starts_with("text/") || type.ends_with("/xml") || type.ends_with("+xml");
}

}  // namespace

void ChooseAnswerCoding(const httplib::Request& req, httplib::Response& res) {
    // Streamed files have no body here; they are packages and large files.
    const bool text = !res.body.empty() && IsText(res.get_header_value("Content-Type"));
    // The same URL may travel either way: caches between us and the client
    // must tell the two apart.
    if (text) res.set_header("Vary", "Accept-Encoding");
    if (text && req.ranges.empty() && res.body.size() >= kCompressFrom) return;
    // The HTTP layer compresses whatever the request accepts; the request is
    // the only thing it asks.
    const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
}

}  // namespace catalogd
