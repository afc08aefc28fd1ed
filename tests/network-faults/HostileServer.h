#pragma once
#include <httplib.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// How a broken service answers.
enum class Fault {
    None,               // the real catalog's answer
    HtmlError,          // an HTML error page with status 500
    HtmlPage,           // an HTML page with status 200, as a captive portal sends
    EmptyBody,          // status 200 and nothing at all
    TruncatedEnvelope,  // the first half of the real answer, its length honest
    LongerThenClosed,   // a whole envelope with its own code, more bytes announced, then the line drops
    ShorterLength,      // the whole real answer behind a length that announces half of it
    Stalled,            // more announced than sent, and the line stays open and silent
    Silent,             // the request is taken and never answered, not even with headers
    Held,               // the real answer, held back until the next Sabotage lets it go
};

const char* FaultName(Fault fault);

// A catalog service gone bad for one method, on loopback: requests for the
// sabotaged method get the fault of the moment, every other request is
// relayed to a real catalogd, so the screens around it work as usual.
class HostileServer {
public:
    // The code the envelope of LongerThenClosed carries.
    static constexpr int kOwnCode = 207;

    explicit HostileServer(int catalogPort);
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    // `method` as the client names it ("auth", "getapps", "download", ...).
    // Lets go of a stalled answer first.
    void Sabotage(const std::string& method, Fault fault);
    std::u16string BaseUrl() const;
    // Requests the sabotaged method received since Sabotage.
    int Hits();

private:
    void Answer(const httplib::Request& req, httplib::Response& res);
    void Relay(const httplib::Request& req, httplib::Response& res);
    void Spoil(Fault fault, const httplib::Request& req, httplib::Response& res);
    void ReleaseStalled();
    // Blocks an answering thread until the test moves on (bounded all the same).
    void HoldUntilReleased(int seen);
    int Generation();

    const int catalogPort;
    httplib::Server http;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::condition_variable released;
    std::string method;
    Fault fault = Fault::None;
    int hits = 0;
    int generation = 0;  // bumped to let go of stalled answers
};
