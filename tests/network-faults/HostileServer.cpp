#include "HostileServer.h"

#include <chrono>
#include <memory>

#include "base/Text.h"

namespace {

constexpr const char* kXml = "text/xml; charset=utf-8";
constexpr const char* kErrorPage =
    "<html><head><title>500 Internal Server Error</title></head>"
    "<body><h1>Internal Server Error</h1><p>The server could not complete your request.</p></body></html>";
constexpr const char* kPortalPage =
    "<!DOCTYPE html>\n<html><head><title>Welcome</title></head>"
    "<body><p>Please sign in to the hotspot first.<br></p></body></html>\n";

// The method a request path names: "/x/api_getapps.php" and "/getapps.xml"
// both name "getapps".
bool Names(const std::string& path, const std::string& method) {
    const size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    name.resize(dot);
    return !method.empty() && (name == method || name.ends_with("_" + method));
}

}  // namespace

const char* FaultName(Fault fault) {
    switch (fault) {
    case Fault::None: return "none";
    case Fault::HtmlError: return "an HTML error page (500)";
    case Fault::HtmlPage: return "an HTML page (200)";
    case Fault::EmptyBody: return "an empty body";
    case Fault::TruncatedEnvelope: return "a truncated envelope";
    case Fault::LongerThenClosed: return "a longer length, then the connection closed";
    case Fault::ShorterLength: return "a shorter length";
    case Fault::Stalled: return "a longer length on a silent open connection";
    case Fault::Silent: return "no answer at all on an open connection";
    case Fault::Held: return "the real answer, held back";
    }
    return "?";
}

HostileServer::HostileServer(int catalogPort) : catalogPort(catalogPort) {
    http.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { Answer(req, res); });
    port = http.bind_to_any_port("127.0.0.1");
    thread = std::thread([this] { http.listen_after_bind(); });
    // A stop that comes before the accept loop has begun is lost.
    for (int i = 0; i < 5000 && !http.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

HostileServer::~HostileServer() {
    Sabotage("", Fault::None);
    http.stop();
    thread.join();
}

std::u16string HostileServer::BaseUrl() const {
    return text::Utf8ToUtf16("http://127.0.0.1:" + std::to_string(port) + "/");
}

void HostileServer::Sabotage(const std::string& m, Fault f) {
    ReleaseStalled();
    std::lock_guard lock(mutex);
    method = m;
    fault = f;
    hits = 0;
}

int HostileServer::Hits() {
    std::lock_guard lock(mutex);
    return hits;
}

void HostileServer::ReleaseStalled() {
    {
        std::lock_guard lock(mutex);
        ++generation;
    }
    released.notify_all();
}

int HostileServer::Generation() {
    std::lock_guard lock(mutex);
    return generation;
}

void HostileServer::HoldUntilReleased(int seen) {
    std::unique_lock lock(mutex);
    released.wait_for(lock, std::chrono::seconds(60), [&] { return generation != seen; });
}

void HostileServer::Answer(const httplib::Request& req, httplib::Response& res) {
    Fault f;
    {
        std::lock_guard lock(mutex);
        f = Names(req.path, method) ? fault : Fault::None;
        if (f != Fault::None) ++hits;
    }
    if (f == Fault::None) Relay(req, res);
    else Spoil(f, req, res);
}

void HostileServer::Relay(const httplib::Request& req, httplib::Response& res) {
    httplib::Client catalog("127.0.0.1", catalogPort);
    catalog.set_url_encode(false);
    catalog.set_connection_timeout(5, 0);
    catalog.set_read_timeout(20, 0);
    auto answer = catalog.Get(req.target.c_str());
    if (!answer) {
        res.status = 502;
        return;
    }
    res.status = answer->status;
    res.set_content(answer->body, answer->get_header_value("Content-Type").c_str());
}

void HostileServer::Spoil(Fault f, const httplib::Request& req, httplib::Response& res) {
    switch (f) {
    case Fault::None: break;
    case Fault::HtmlError:
        res.status = 500;
        res.set_content(kErrorPage, "text/html");
        break;
    case Fault::HtmlPage: res.set_content(kPortalPage, "text/html"); break;
    case Fault::EmptyBody: res.set_content("", kXml); break;
    case Fault::TruncatedEnvelope: {
        Relay(req, res);
        res.body.resize(res.body.size() / 2);
        break;
    }
    case Fault::LongerThenClosed: {
        auto body = std::make_shared<std::string>("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kestrum-api><result code=\"" +
                                                  std::to_string(kOwnCode) + "\"/></kestrum-api>\n");
        res.set_content_provider(body->size() + 4096, kXml, [body](size_t offset, size_t, httplib::DataSink& sink) {
            // The whole envelope, then the line drops well before the
            // announced end.
            if (offset == 0) return sink.write(body->data(), body->size());
            return false;
        });
        break;
    }
    case Fault::ShorterLength: {
        httplib::Response real;
        Relay(req, real);
        auto body = std::make_shared<std::string>(real.body);
        res.status = real.status;
        // Half is announced, all of it is written: what lies past the
        // announced end is junk on the line that the client must ignore.
        res.set_content_provider(body->size() / 2, kXml, [body](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset != 0) return false;
            return sink.write(body->data(), body->size());
        });
        break;
    }
    case Fault::Stalled: {
        const int seen = Generation();
        auto body = std::make_shared<std::string>("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kestrum-api>");
        res.set_content_provider(
            body->size() + 4096, kXml, [this, body, seen](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0) return sink.write(body->data(), body->size());
                HoldUntilReleased(seen);
                return false;
            });
        break;
    }
    case Fault::Silent:
        HoldUntilReleased(Generation());
        res.status = 500;
        break;
    case Fault::Held:
        HoldUntilReleased(Generation());
        Relay(req, res);
        break;
    }
}
