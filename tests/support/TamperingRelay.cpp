#include "support/TamperingRelay.h"

#include <httplib.h>

#include <stdexcept>

#include "base/Text.h"

TamperingRelay::TamperingRelay(int upstreamPort) : upstreamPort(upstreamPort), server(new httplib::Server) {
    server->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        std::string target = request.path;
        if (!request.params.empty()) {
            target += '?';
            bool first = true;
            for (const auto& [name, value] : request.params) {
                target += (first ? "" : "&") + name + "=" + httplib::detail::encode_query_param(value);
                first = false;
            }
        }
        httplib::Client upstream("127.0.0.1", this->upstreamPort);
        upstream.set_read_timeout(30, 0);
        httplib::Headers headers;
        if (request.has_header("Range")) headers.emplace("Range", request.get_header_value("Range"));
        auto answer = upstream.Get(target, headers);
        if (!answer) {
            response.status = 502;
            return;
        }
        Answer a{answer->status, answer->get_header_value("Content-Type"), answer->body};
        {
            // Applied under the lock: once SetRule returns, no answer is
            // still being rewritten by the rule it replaced, so a test may
            // let go of what that rule used.
            std::lock_guard lock(mutex);
            if (rule) rule(target, a);
        }
        response.status = a.status;
        for (const char* name : {"Content-Range", "ETag", "Last-Modified", "Accept-Ranges"})
            if (answer->has_header(name)) response.set_header(name, answer->get_header_value(name));
        response.set_content(a.body, a.contentType.empty() ? "application/octet-stream" : a.contentType);
    });
    port = server->bind_to_any_port("127.0.0.1");
    if (port <= 0) throw std::runtime_error("the relay cannot listen on loopback");
    // Bound and listening already: a connection made before the loop runs waits in the queue.
    thread = std::thread([this] { server->listen_after_bind(); });
}

TamperingRelay::~TamperingRelay() {
    server->stop();
    thread.join();
}

std::u16string TamperingRelay::BaseUrl() const {
    return text::Utf8ToUtf16("http://127.0.0.1:" + std::to_string(port) + "/");
}

void TamperingRelay::SetRule(Rule next) {
    std::lock_guard lock(mutex);
    rule = std::move(next);
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
