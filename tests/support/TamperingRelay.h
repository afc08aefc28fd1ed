#pragma once
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Request;
}

// Someone on the link, or a catalog service gone bad: an HTTP relay on
// loopback between the store and a catalog that passes every request on and,
// while a rule is set, spoils the answer first. What it forwards: the
// request's target as it came, and nothing of its headers but Range (answers
// come back uncompressed, so a rule sees plain text).
class TamperingRelay {
public:
    struct Answer {
        enum class Hold { No, BeforeHeaders, AfterBody };
        int status = 0;
        std::string contentType;
        std::string body;
        // Content-Range, ETag, Last-Modified and Accept-Ranges, as the catalog sent them.
        std::map<std::string, std::string> headers;
        // A length to announce other than the body's: the body is sent
        // whole all the same, then the line closes.
        std::optional<std::size_t> announced;
        // Held answers wait, outside the relay's lock, until the next
        // SetRule (or the relay's end) lets them go: a silent server.
        Hold hold = Hold::No;
    };
    // Called for every answer, on the relay's threads, one at a time, and
    // never while SetRule runs: `target` is the path with its query, its
    // parameters in name order ("/en_appdetails.php?appid=7&..."). It is
    // called first before the catalog is asked, with a status of 0: a rule
    // that sets a status answers alone; otherwise it is called again with the
    // catalog's answer. A rule must not block; it asks for a hold through the
    // answer instead, so that SetRule cannot wait on it.
    using Rule = std::function<void(const std::string& target, Answer& answer)>;

    // Relays to the catalog at `upstreamPort` on 127.0.0.1; listens on a free
    // loopback port.
    explicit TamperingRelay(int upstreamPort);
    ~TamperingRelay();
    TamperingRelay(const TamperingRelay&) = delete;
    TamperingRelay& operator=(const TamperingRelay&) = delete;

    int Port() const { return port; }
    std::u16string BaseUrl() const;
    // Once it returns, no answer is being rewritten by the rule it replaced,
    // so a test may let go of what that rule used; held answers go on.
    void SetRule(Rule rule);

    // Whether `target` calls the catalog's `method`: "/en_getapps.php?..."
    // and "/getapps.xml" both call "getapps".
    static bool IsMethod(const std::string& target, const std::string& method);
    // The value of `name` in a query ("appid" in "...&appid=7&..."), or "".
    static std::string QueryValue(const std::string& target, const std::string& name);
    // The answer with the value of the first `attribute="..."` after the
    // first occurrence of `after` replaced by `value`; unchanged when absent.
    static std::string ReplaceAttribute(const std::string& xml, const std::string& after,
                                        const std::string& attribute, const std::string& value);

private:
    Answer Fetch(const httplib::Request& request) const;
    // Runs the rule under the lock; the generation it ran in.
    int Apply(const std::string& target, Answer& answer);
    void HoldUntilReleased(int seen);

    int upstreamPort;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::condition_variable released;
    int generation = 0;  // bumped by SetRule to let go of held answers
    Rule rule;
};
