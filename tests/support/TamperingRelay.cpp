#include "support/TamperingRelay.h"

#include <httplib.h>

#include <chrono>
#include <stdexcept>

#include "base/Text.h"

namespace {

std::string DecodedTarget(const httplib::Request& request) {
    std::string target = request.path;
    char separator = '?';
    for (const auto& [name, value] : request.params) {
        target += separator + name + "=" + httplib::detail::encode_query_param(value);
        separator = '&';
    }
    return target;
}

}  // namespace

TamperingRelay::TamperingRelay(int upstreamPort) : upstreamPort(upstreamPort), server(new httplib::Server) {
    server->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string target = DecodedTarget(request);
        Answer a;
        int seen = Apply(target, a);
        if (a.status == 0) {
            a = Fetch(request);
            seen = Apply(target, a);
        }
        if (a.hold == Answer::Hold::BeforeHeaders) HoldUntilReleased(seen);
        response.status = a.status;
        for (const auto& [name, value] : a.headers) response.set_header(name, value);
        const std::string type = a.contentType.empty() ? "application/octet-stream" : a.contentType;
        if (!a.announced) return response.set_content(a.body, type);
        auto body = std::make_shared<std::string>(std::move(a.body));
        const bool holdAfter = a.hold == Answer::Hold::AfterBody;
        response.set_content_provider(*a.announced, type,
                                      [this, body, holdAfter, seen](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset == 0) return sink.write(body->data(), body->size());
                                          if (holdAfter) HoldUntilReleased(seen);
                                          return false;
                                      });
    });
    port = server->bind_to_any_port("127.0.0.1");
    if (port <= 0) throw std::runtime_error("the relay cannot listen on loopback");
    thread = std::thread([this] { server->listen_after_bind(); });
    // A stop that comes before the accept loop has begun is lost.
    for (int i = 0; i < 5000 && !server->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TamperingRelay::~TamperingRelay() {
    SetRule(nullptr);
    server->stop();
    thread.join();
}

std::u16string TamperingRelay::BaseUrl() const {
    return text::Utf8ToUtf16("http://127.0.0.1:" + std::to_string(port) + "/");
}

TamperingRelay::Answer TamperingRelay::Fetch(const httplib::Request& request) const {
    httplib::Client upstream("127.0.0.1", upstreamPort);
    upstream.set_url_encode(false);
    upstream.set_read_timeout(30, 0);
    httplib::Headers headers;
    if (request.has_header("Range")) headers.emplace("Range", request.get_header_value("Range"));
    const auto real = upstream.Get(request.target, headers);
    Answer a;
    a.status = real ? real->status : 502;
    if (!real) return a;
    a.contentType = real->get_header_value("Content-Type");
    a.body = real->body;
    for (const char* name : {"Content-Range", "ETag", "Last-Modified", "Accept-Ranges"})
        if (real->has_header(name)) a.headers.emplace(name, real->get_header_value(name));
    return a;
}

int TamperingRelay::Apply(const std::string& target, Answer& answer) {
    std::lock_guard lock(mutex);
    if (rule) rule(target, answer);
    return generation;
}

void TamperingRelay::SetRule(Rule next) {
    {
        std::lock_guard lock(mutex);
        rule = std::move(next);
        ++generation;
    }
    released.notify_all();
}

// Bounded all the same: a test that forgets to let go still ends.
void TamperingRelay::HoldUntilReleased(int seen) {
    std::unique_lock lock(mutex);
    released.wait_for(lock, std::chrono::seconds(60), [&] { return generation != seen; });
}

bool TamperingRelay::IsMethod(const std::string& target, const std::string& method) {
    std::string name = target.substr(0, target.find('?'));
    name.erase(0, name.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || method.empty()) return false;
    name.resize(dot);
    return name == method || name.ends_with("_" + method);
}

std::string TamperingRelay::QueryValue(const std::string& target, const std::string& name) {
    const size_t query = target.find('?');
    if (query == std::string::npos) return {};
    for (size_t at = query + 1; at < target.size();) {
        size_t end = target.find('&', at);
        if (end == std::string::npos) end = target.size();
        const std::string pair = target.substr(at, end - at);
        if (pair.rfind(name + "=", 0) == 0) return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return {};
}

std::string TamperingRelay::ReplaceAttribute(const std::string& xml, const std::string& after,
                                             const std::string& attribute, const std::string& value) {
    const size_t from = xml.find(after);
    if (from == std::string::npos) return xml;
    const std::string key = " " + attribute + "=\"";
    const size_t start = xml.find(key, from);
    if (start == std::string::npos) return xml;
    const size_t valueStart = start + key.size();
    const size_t valueEnd = xml.find('"', valueStart);
    if (valueEnd == std::string::npos) return xml;
    return xml.substr(0, valueStart) + value + xml.substr(valueEnd);
}
