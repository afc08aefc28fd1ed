#pragma once
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

// Someone on the link: an HTTP relay on loopback between the store and a
// catalog that passes every request on and, while a rule is set, rewrites
// the answer first. What it forwards: the path with its query, and nothing
// of the request's headers but Range (answers come back uncompressed, so a
// rule sees plain text).
class TamperingRelay {
public:
    struct Answer {
        int status = 0;
        std::string contentType;
        std::string body;
    };
    // Called for every answer, on the relay's threads, one at a time:
    // `target` is the path with its query ("/api.php?method=appdetails&...").
    // SetRule waits for a call under way to end.
    using Rule = std::function<void(const std::string& target, Answer& answer)>;

    // Relays to the catalog at `upstreamPort` on 127.0.0.1; listens on a free
    // loopback port.
    explicit TamperingRelay(int upstreamPort);
    ~TamperingRelay();
    TamperingRelay(const TamperingRelay&) = delete;
    TamperingRelay& operator=(const TamperingRelay&) = delete;

    int Port() const { return port; }
    std::u16string BaseUrl() const;
    void SetRule(Rule rule);

    // The value of `name` in a query ("appid" in "...&appid=7&..."), or "".
    static std::string QueryValue(const std::string& target, const std::string& name);
    // The answer with the value of the first `attribute="..."` after the
    // first occurrence of `after` replaced by `value`; unchanged when absent.
    static std::string ReplaceAttribute(const std::string& xml, const std::string& after,
                                        const std::string& attribute, const std::string& value);

private:
    int upstreamPort;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    Rule rule;
};
