#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <thread>

#include <nlohmann/json.hpp>

#include "NetTestSupport.h"
#include "TestServer.h"
#include "support/FileSizeLimit.h"
#include "support/ProgramRun.h"
#include "formats/PackageStatement.h"
#include "base/Text.h"
#include "net/ConnectionManager.h"
#include "net/InetManager.h"
#include "net/PartialDownload.h"
#include "net/PictureStore.h"
#include "net/XMLResponse.h"
#include "platform/files/Files.h"
#include "platform/http/HttpClient.h"


using namespace std::chrono_literals;

namespace {

// What one job reported, taken while its completion event runs.
struct Outcome {
    std::vector<double> progress;
    int completions = 0;
    bool ok = false;
    std::string body;
    bool bodyWasThere = false;
    int32_t parsed = -1;
};

class InetManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        nettest::SetNetworkUp(true);
        InetManager::Limits l;
        l.connectTimeout = 2000ms;
        l.lowSpeedTime = 1s;
        l.sizeQueryTimeout = 1000ms;
        InetManager::Instance().SetLimits(l);
    }
    void TearDown() override {
        server.ReleaseAll();
        EXPECT_TRUE(InetManager::Instance().WaitIdle(10s));
        // The server ends only once the connections it keeps open are closed.
        platform::CloseIdleConnections();
        nettest::SetNetworkUp(true);
        // The device root is the whole program's: the next case starts
        // without the pictures this one kept.
        net::PictureStore::Instance().Close();
        std::filesystem::remove_all(nettest::DeviceRootPath() / "Program Files" / "Tobrix" / "pictures");
    }

    // Queues a job and records its events; the outcome is complete after WaitIdle.
    shared_ptr<HttpRequest> Start(const std::string& url, Outcome& out, bool busy = false,
                                  const std::filesystem::path& file = {}) {
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        shared_ptr<HttpRequest> job = file.empty()
                                          ? InetManager::Instance().Add(U16(url), busy)
                                          : InetManager::Instance().AddToHostFile(U16(url), busy, file);
        SubscribeFn(job->Progress, [&out](HttpRequest*, double p) { out.progress.push_back(p); });
        SubscribeFn(job->Complete, [&out](HttpRequest* r, bool ok) {
            ++out.completions;
            out.ok = ok;
            out.bodyWasThere = r->Data() != nullptr;
            if (r->Data()) out.body.assign(r->Data(), r->Size());
            out.parsed = XMLResponse().Parse(r->Data(), r->Size());
        });
        return job;
    }

    // The same without keeping the job: the handle is dropped under the UI
    // lock, since its count is shared with the worker that runs it.
    void Queue(const std::string& url, Outcome& out, bool busy = false, const std::filesystem::path& file = {}) {
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        Start(url, out, busy, file);
    }

    Outcome Run(const std::string& url, bool busy = false, const std::filesystem::path& file = {}) {
        Outcome out;
        Queue(url, out, busy, file);
        EXPECT_TRUE(InetManager::Instance().WaitIdle(10s));
        return out;
    }

    // A job that calls itself off at its first progress report.
    Outcome RunCancelled(const std::string& url, const std::filesystem::path& file = {}) {
        Outcome out;
        {
            std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
            SubscribeFn(Start(url, out, false, file)->Progress, [](HttpRequest* r, double) { r->Cancel(); });
        }
        EXPECT_TRUE(InetManager::Instance().WaitIdle(10s));
        return out;
    }

    static std::string Expected(std::size_t n) {
        std::string s(n, '\0');
        for (std::size_t i = 0; i < n; ++i) s[i] = TestServer::ByteAt(i);
        return s;
    }

    static std::filesystem::path TempFile(const std::string& name) {
        return nettest::DeviceRootPath() / "Program Files" / "Tobrix" / "cabs" / name;
    }

    nettest::ServicesScope ui;
    TestServer server;
};

// What arrives in memory is delivered as it came, with progress only where
// the line's length is the body's (pieces of at most 2048 bytes, rising to
// exactly 1): a body of known length, one read on past the first buffer
// doublings, an address with spaces and other text, an error page (which
// reads as unreadable), and a body shorter than announced (only what came).
TEST_F(InetManagerTest, AnswersInMemoryAreDeliveredAsTheyCame) {
    server.Script("/script/icon of \xC3\xA9t\xC3\xA9.png", 200, "png");
    const std::string envelope = "<kestrum-api><result code=\"0\"/></kestrum-api>";
    RawServer raw("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + envelope);
    const struct {
        std::string url, body;
        int32_t parsed;
        bool lengthKnown = false;
    } cases[] = {
        {server.Url("/bytes/10000"), Expected(10000), XMLResponse::kUnreadable, true},
        {server.Url("/chunked/70000"), Expected(70000), XMLResponse::kUnreadable},
        {server.Url("/script/icon of \xC3\xA9t\xC3\xA9.png"), "png", XMLResponse::kUnreadable},
        {server.Url("/notfound"), "<html><body>no such page</body></html>", XMLResponse::kUnreadable},
        {raw.Url("/short"), envelope, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        Outcome out = Run(c.url);
        EXPECT_TRUE(out.ok);
        EXPECT_EQ(out.body, c.body);
        EXPECT_EQ(out.parsed, c.parsed);
        EXPECT_EQ(out.completions, 1);
        EXPECT_EQ(out.progress.empty(), !c.lengthKnown);
        if (out.progress.empty() || c.body.size() < 10000) continue;
        EXPECT_GE(out.progress.size(), 5u);
        EXPECT_EQ(std::adjacent_find(out.progress.begin(), out.progress.end(), std::greater_equal<>()),
                  out.progress.end());
        EXPECT_LE(out.progress.front(), 2048.0 / 10000);
        EXPECT_DOUBLE_EQ(out.progress.back(), 1.0);
    }
}

// The cap itself is the body sink's (its own table); here that every
// transfer in memory is held to it.
TEST_F(InetManagerTest, MemoryBodiesAreCappedWithOrWithoutALength) {
    InetManager::Limits l = InetManager::Instance().GetLimits();
    l.memoryLimit = 50000;
    InetManager::Instance().SetLimits(l);
    EXPECT_FALSE(Run(server.Url("/chunked/120000")).ok);
    EXPECT_FALSE(Run(server.Url("/bytes/120000")).ok);
}

TEST_F(InetManagerTest, CancelledMemoryJobSucceedsWithWhatArrived) {
    const Outcome out = RunCancelled(server.Url("/bytes/200000"));
    EXPECT_TRUE(out.ok);
    EXPECT_LT(out.body.size(), 200000u);
    EXPECT_EQ(out.body, Expected(out.body.size()));
}

// Only the first five run; the busy indicator is held while a job that asked
// for it (the first) is queued.
TEST_F(InetManagerTest, OnlyTheFirstFiveQueueEntriesRun) {
    std::vector<Outcome> outs(6);
    std::vector<shared_ptr<HttpRequest>> jobs;
    for (int i = 0; i < 6; ++i) jobs.push_back(Start(server.Url("/gate/" + std::to_string(i)), outs[i], i == 0));
    ASSERT_TRUE(server.WaitArrivals(5, 5s));
    EXPECT_EQ(InetManager::Instance().QueueLength(), 6u);
    EXPECT_EQ(ui.services.BusyCount(), 1);
    {
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        for (int i = 0; i < 5; ++i) EXPECT_TRUE(jobs[i]->Started());
        EXPECT_FALSE(jobs[5]->Started());
    }
    EXPECT_EQ(server.Arrivals(), 5);
    server.Release(1);  // one of the five ends; the sixth may start
    ASSERT_TRUE(server.WaitArrivals(6, 5s));
    server.ReleaseAll();
    ASSERT_TRUE(InetManager::Instance().WaitIdle(10s));
    EXPECT_EQ(ui.services.BusyCount(), 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(outs[i].body, std::to_string(i));
}

// Five workers keep and find pictures at once; the device's copies then
// answer without the line.
TEST_F(InetManagerTest, PicturesFetchedAtOnceAreKeptAndLaterServedFromTheDevice) {
    net::PictureStore::Instance().Open(u"\\Program Files\\Tobrix\\pictures");
    for (bool again : {false, true}) {
        std::vector<std::pair<bool, std::string>> got(5);
        {
            std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
            for (int i = 0; i < 5; ++i) {
                const std::string path = "/script/picture" + std::to_string(i) + ".png";
                if (!again) server.Script(path, 200, "\x89PNG\r\n\x1a\n" + std::to_string(i));
                shared_ptr<HttpRequest> job = InetManager::Instance().AddPicture(U16(server.Url(path)), false);
                SubscribeFn(job->Complete, [&got, i](HttpRequest* r, bool) {
                    got[i] = {r->FromStore(), r->Data() ? std::string(r->Data(), r->Size()) : ""};
                });
            }
        }
        ASSERT_TRUE(InetManager::Instance().WaitIdle(10s));
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(got[i].first, again) << i;
            EXPECT_EQ(got[i].second, "\x89PNG\r\n\x1a\n" + std::to_string(i));
        }
        EXPECT_EQ(net::PictureStore::Instance().Count(), 5u);
        // How often a worker found the index taken: the figure of how much
        // the five hold one another up.
        RecordProperty(again ? "lockWaitsFinding" : "lockWaitsKeeping",
                       std::to_string(net::PictureStore::Instance().LockWaits()));
    }
}

// A picture whose file hangs when read (a stuck card) holds up its own
// worker only: the others find, keep and count pictures meanwhile.
TEST_F(InetManagerTest, APictureReadThatHangsHoldsUpNoOtherWorker) {
    net::PictureStore& store = net::PictureStore::Instance();
    store.Open(u"\\Program Files\\Tobrix\\pictures");
    platform::HttpHead head;
    head.status = 200;
    const std::string png = "\x89PNG\r\n\x1a\n";
    store.Keep("http://pictures/stuck.png", png + "stuck", head);
    store.Keep("http://pictures/other.png", png + "other", head);
    const auto stuck = platform::HostPathOf(store.FileOf("http://pictures/stuck.png"));
    ASSERT_TRUE(stuck);
    std::filesystem::remove(*stuck);
    ASSERT_EQ(::mkfifo(stuck->c_str(), 0600), 0);

    auto hanging = std::async(std::launch::async, [&] { return store.Find("http://pictures/stuck.png"); });
    // The pipe opens for writing once the worker has it open for reading.
    int writer = -1;
    for (int i = 0; i < 1000 && writer < 0; ++i) {
        writer = ::open(stuck->c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer < 0) std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(writer, 0) << "the worker never began to read";
    auto others = std::async(std::launch::async, [&] {
        const bool found = store.Find("http://pictures/other.png").has_value();
        store.Keep("http://pictures/new.png", png + "new", head);
        return found && store.Count() == 3;
    });
    const bool othersWentOn = others.wait_for(10s) == std::future_status::ready;
    // The stuck read ends with bytes that are no entry: it counts as damaged.
    EXPECT_EQ(::write(writer, "garbage", 7), 7);
    ::close(writer);
    EXPECT_TRUE(othersWentOn) << "a worker waited for another's disk";
    EXPECT_TRUE(others.get());
    EXPECT_FALSE(hanging.get());
    EXPECT_EQ(store.Count(), 2u);
    EXPECT_FALSE(std::filesystem::exists(*stuck));
}

TEST_F(InetManagerTest, JobsTakeTurnsOnTheConnectionsAlreadyOpen) {
    server.Script("/script/a", 200, "a");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Run(server.Url("/script/a")).body, "a");
    EXPECT_EQ(server.Connections(), 1);
    // Five at once need five connections, one of them the one already open;
    // the next five find all five idle.
    for (int round = 1; round <= 2; ++round) {
        std::vector<Outcome> outs(5);
        for (auto& out : outs) Queue(server.Url("/gate/" + std::to_string(round)), out);
        ASSERT_TRUE(server.WaitArrivals(5 * round, 10s));
        server.Release(5);
        ASSERT_TRUE(InetManager::Instance().WaitIdle(10s));
        for (auto& out : outs) EXPECT_EQ(out.body, std::to_string(round));
        EXPECT_EQ(server.Connections(), 5) << "round " << round;
    }
}

TEST_F(InetManagerTest, AConnectionTheServerClosedMeanwhileIsReplacedUnnoticed) {
    RawServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", true, true);
    EXPECT_EQ(Run(server.Url("/first")).body, "ok");
    // Sent on the kept connection, which the server then closes unanswered:
    // the request goes again on a new one.
    EXPECT_EQ(Run(server.Url("/second")).body, "ok");
    EXPECT_EQ(server.Requests(), 3);
    EXPECT_EQ(server.Accepted(), 2);
}

// An answer in memory travels compressed and reads as it was written; a file
// travels as its own bytes, so that its ranges and its byte counts hold.
TEST_F(InetManagerTest, AnswersInMemoryTravelCompressedAndFilesDoNot) {
    std::string envelope = "<?xml version=\"1.0\" encoding=\"utf-8\"?><kestrum-api><result code=\"0\"/>";
    for (int i = 0; i < 400; ++i) envelope += "<app id=\"" + std::to_string(i) + "\" name=\"Application\"/>";
    envelope += "</kestrum-api>";
    server.Script("/script/apps.xml", 200, envelope);

    const uint64_t before = platform::TrafficSoFar().bodyBytes;
    Outcome out = Run(server.Url("/script/apps.xml"));
    const uint64_t compressed = platform::TrafficSoFar().bodyBytes - before;
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.body, envelope);
    EXPECT_EQ(out.parsed, XMLResponse::kSuccess);
    // The announced length is the line's, not the body's: no progress.
    EXPECT_TRUE(out.progress.empty());
    EXPECT_LT(compressed, envelope.size() / 4);

    const std::filesystem::path file = TempFile("apps.xml");
    const uint64_t beforeFile = platform::TrafficSoFar().bodyBytes;
    Outcome saved = Run(server.Url("/script/apps.xml"), false, file);
    EXPECT_TRUE(saved.ok);
    EXPECT_EQ(platform::TrafficSoFar().bodyBytes - beforeFile, envelope.size());
    EXPECT_EQ(ReadAll(file), envelope);
    std::filesystem::remove(file);
}

// A coding that does not decode is an answer nobody can read, whether it
// breaks at once or after a good start; never a failed transfer, never a
// body that might be taken for the real one.
TEST_F(InetManagerTest, ACompressedAnswerThatDoesNotDecodeIsUnreadable) {
    const std::string gzipHead("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    // A stored deflate block holding the envelope's start, then a block of
    // the reserved type.
    const std::string start = "<kestrum-api><result code=\"0\"/>";
    std::string stored("\x00", 1);
    stored += static_cast<char>(start.size());
    stored += '\0';
    stored += static_cast<char>(~start.size());
    stored += '\xff';
    stored += start;
    for (const std::string& coded : {gzipHead + "\xff\xff\xff\xff", gzipHead + stored + "\xff\xff"}) {
        RawServer broken("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Encoding: gzip\r\nContent-Length: " +
                         std::to_string(coded.size()) + "\r\n\r\n" + coded);
        Outcome out = Run(broken.Url("/apps.xml"));
        EXPECT_EQ(out.completions, 1);
        EXPECT_TRUE(out.ok);
        EXPECT_FALSE(out.bodyWasThere);
        EXPECT_EQ(out.parsed, XMLResponse::kUnreadable);
    }
}

TEST_F(InetManagerTest, CompletionRunsUnderTheUILock) {
    std::atomic<int> lockedElsewhere{-1};
    Outcome out;
    {
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        SubscribeFn(Start(server.Url("/bytes/10"), out)->Complete, [&](HttpRequest*, bool) {
            std::thread probe([&] {
                const bool got = ui.services.UILock().try_lock();
                if (got) ui.services.UILock().unlock();
                lockedElsewhere = got ? 0 : 1;
            });
            probe.join();
        });
    }
    ASSERT_TRUE(InetManager::Instance().WaitIdle(10s));
    EXPECT_EQ(lockedElsewhere, 1);
}

// A closed port, a server that accepts and never answers, one that stalls
// mid-body (both end at the low-speed timeout instead of holding a worker),
// and addresses that are not HTTP: each fails, once.
TEST_F(InetManagerTest, FailuresToConnectOrToAnswerAreReportedOnce) {
    RawServer silent("", false);
    for (const std::string& url : {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x", silent.Url("/x"),
                                   server.Url("/stall"), std::string("file:///etc/passwd"), std::string("ftp://127.0.0.1/x")}) {
        Outcome out = Run(url);
        EXPECT_EQ(out.completions, 1) << url;
        EXPECT_FALSE(out.ok) << url;
    }
}

TEST_F(InetManagerTest, WithTheNetworkDownEveryQueuedJobFailsOnce) {
    nettest::SetNetworkUp(false);
    std::vector<Outcome> outs(3);
    for (auto& o : outs) Queue(server.Url("/bytes/10"), o, true);
    ASSERT_TRUE(InetManager::Instance().WaitIdle(10s));
    ConnectionManager::Instance().WaitForAttempt();
    for (auto& o : outs) EXPECT_EQ(std::make_pair(o.completions, o.ok), std::make_pair(1, false));
    EXPECT_FALSE(ConnectionManager::Instance().IsConnected());
    EXPECT_EQ(ui.services.BusyCount(), 0);
    EXPECT_EQ(server.Arrivals(), 0);
    // Up again: the next job reconnects and works.
    nettest::SetNetworkUp(true);
    EXPECT_TRUE(Run(server.Url("/bytes/10")).ok);
    ConnectionManager::Instance().WaitForAttempt();
    EXPECT_TRUE(ConnectionManager::Instance().IsConnected());
}

TEST_F(InetManagerTest, JobsQueuedFromSeveralThreadsWhileTheConnectionComesUpAllRunOnce) {
    // Fail the connection in place, so that the next job has to dial a new
    // one, and make dialling take a while.
    ConnectionManager& connection = ConnectionManager::Instance();
    nettest::SetNetworkUp(false);
    connection.EnsureConnection();
    connection.WaitForAttempt();
    nettest::SetNetworkUp(true);
    nettest::SetConnectDelay(60ms);
    connection.SetPollInterval(2ms);

    // Jobs arrive before, during and after the attempt's end, from threads
    // that race the connection thread's own firing of the event.
    constexpr int kThreads = 4, kJobsEach = 8;
    std::vector<Outcome> outs(kThreads * kJobsEach);
    std::vector<std::thread> queuers;
    for (int t = 0; t < kThreads; ++t) {
        queuers.emplace_back([&, t] {
            for (int j = 0; j < kJobsEach; ++j) {
                Queue(server.Url("/bytes/16"), outs[t * kJobsEach + j], true);
                std::this_thread::sleep_for(15ms);
            }
        });
    }
    for (auto& q : queuers) q.join();
    const bool idle = InetManager::Instance().WaitIdle(10s);
    connection.WaitForAttempt();
    nettest::SetConnectDelay(0ms);
    connection.SetPollInterval(400ms);
    ASSERT_TRUE(idle) << "a job queued around the connection's arrival was never started";
    EXPECT_TRUE(connection.IsConnected());
    for (const auto& o : outs)
        EXPECT_EQ(std::tie(o.completions, o.ok, o.body), std::make_tuple(1, true, Expected(16)));
    EXPECT_EQ(ui.services.BusyCount(), 0);
}

TEST_F(InetManagerTest, FileModeTargetIsADevicePath) {
    Outcome out;
    {
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        shared_ptr<HttpRequest> job =
            InetManager::Instance().Add(server.Url16("/bytes/3000"), false, u"\\Program Files\\Tobrix\\cabs\\dev.cab");
        SubscribeFn(job->Complete, [&out](HttpRequest*, bool ok) { out.ok = ok; });
        // A target outside the device root never gets a file.
        shared_ptr<HttpRequest> escape =
            InetManager::Instance().Add(server.Url16("/bytes/3000"), false, u"\\..\\..\\escaped.cab");
        SubscribeFn(escape->Complete, [&out](HttpRequest*, bool ok) { out.completions += ok ? 100 : 1; });
    }
    ASSERT_TRUE(InetManager::Instance().WaitIdle(10s));
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.completions, 1);
    EXPECT_EQ(std::filesystem::file_size(TempFile("dev.cab")), 3000u);
    EXPECT_FALSE(std::filesystem::exists(nettest::DeviceRootPath().parent_path() / "escaped.cab"));
    std::filesystem::remove(TempFile("dev.cab"));
}

// Whatever breaks a download off, it fails once and leaves no file behind.
TEST_F(InetManagerTest, BrokenDownloadsFailAndLeaveNoFile) {
    const auto file = TempFile("broken.cab");
    const auto expectFailed = [&file](const Outcome& out, const char* what) {
        EXPECT_EQ(out.completions, 1) << what;
        EXPECT_FALSE(out.ok) << what;
        EXPECT_FALSE(std::filesystem::exists(file)) << what;
    };
    expectFailed(Run(server.Url("/notfound"), false, file), "an error page");
    RawServer shortBody("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\n\r\n" + std::string(3000, 'x'));
    expectFailed(Run(shortBody.Url("/p.cab"), false, file), "a body shorter than announced");
    expectFailed(Run(server.Url("/stall"), false, file), "a stalled server");
    expectFailed(RunCancelled(server.Url("/bytes/500000"), file), "cancelled");
    {
        FileSizeLimit full(20000);
        expectFailed(Run(server.Url("/bytes/100000"), false, file), "cannot be written");
    }
    // A target whose folder does not exist cannot be created.
    EXPECT_FALSE(Run(server.Url("/bytes/10"), false, TempFile("missing/dir.cab")).ok);
}

// A resumable download of /bytes/N into cabs\NAME on the device's line,
// recording its events; complete after WaitIdle.
struct Resumable {
    Outcome out;
    int waits = 0;  // pauses for the line
    shared_ptr<HttpRequest> job;
};

class ResumableDownloadTest : public InetManagerTest {
protected:
    void SetUp() override {
        InetManagerTest::SetUp();
        InetManager::Limits l = InetManager::Instance().GetLimits();
        l.retry = RetryPolicy{3, 10ms, 40ms};
        InetManager::Instance().SetLimits(l);
        std::filesystem::remove(LinkLog());
    }
    void TearDown() override {
        InetManagerTest::TearDown();
        nettest::SetLink({});
    }
    static std::filesystem::path LinkLog() { return nettest::DeviceRootPath() / "link.log"; }

    using Accept = std::function<bool(int64_t, const std::string&)>;
    void Start(Resumable& r, std::size_t bytes, const std::string& name, Accept accept = {}) {
        Start(r, server.Url16("/bytes/" + std::to_string(bytes)), name, std::move(accept));
    }
    void Start(Resumable& r, const std::u16string& url, const std::string& name, Accept accept = {}) {
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        r.job = InetManager::Instance().AddResumable(url, u"\\Program Files\\Tobrix\\cabs\\" + U16(name),
                                                     ResumeOptions{"Vendor Notes", std::move(accept)});
        SubscribeFn(r.job->Progress, [&r](HttpRequest*, double p) { r.out.progress.push_back(p); });
        SubscribeFn(r.job->LinkWait, [&r](HttpRequest*, bool waiting) { r.waits += waiting; });
        SubscribeFn(r.job->Complete, [&r](HttpRequest*, bool ok) {
            ++r.out.completions;
            r.out.ok = ok;
        });
    }
    void Finish(Resumable& r) {
        ASSERT_TRUE(InetManager::Instance().WaitIdle(20s));
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        r.job = nullptr;
    }
    static bool Leftovers(const std::string& name) {
        return std::filesystem::exists(TempFile(name + ".partial")) ||
               std::filesystem::exists(TempFile(name + ".partial.info"));
    }
};

TEST_F(ResumableDownloadTest, ADroppingLineDeliversTheWholeFileAskingOnlyForTheRest) {
    nettest::SetLink({"custom", 0, 0, 0, 3000, 0});
    Resumable r;
    Start(r, 10000, "drops.cab");
    Finish(r);
    EXPECT_TRUE(r.out.ok);
    EXPECT_EQ(r.out.completions, 1);
    EXPECT_EQ(r.waits, 3) << "one pause for each drop";
    EXPECT_TRUE(std::is_sorted(r.out.progress.begin(), r.out.progress.end())) << "progress never goes back";
    EXPECT_EQ(ReadAll(TempFile("drops.cab")), Expected(10000));
    EXPECT_FALSE(Leftovers("drops.cab"));
    // Four transfers over the line, each asking where the last one broke.
    std::ifstream log(LinkLog());
    std::vector<std::pair<int64_t, uint64_t>> transfers;  // (from, bytes)
    for (std::string line; std::getline(log, line);) {
        auto j = nlohmann::json::parse(line);
        transfers.emplace_back(j["rangeFrom"].get<int64_t>(), j["bodyBytes"].get<uint64_t>());
    }
    EXPECT_EQ(transfers, (std::vector<std::pair<int64_t, uint64_t>>{{-1, 3000}, {3000, 3000}, {6000, 3000}, {9000, 1000}}));
    std::filesystem::remove(TempFile("drops.cab"));
}

TEST_F(ResumableDownloadTest, BytesThatAreNotThePublishedFileOrACancelLeaveNothing) {
    // The check sees the whole file's own size and digest, once; what it
    // refuses never takes the target's name.
    std::vector<std::pair<int64_t, std::string>> checked;
    Resumable damaged;
    Start(damaged, 5000, "damaged.cab", [&checked](int64_t size, const std::string& sha256) {
        checked.emplace_back(size, sha256);
        return false;
    });
    Finish(damaged);
    EXPECT_FALSE(damaged.out.ok);
    ASSERT_EQ(checked.size(), 1u);
    EXPECT_EQ(checked[0].first, 5000);
    EXPECT_EQ(checked[0].second, formats::Sha256Hex(Expected(5000)));
    EXPECT_FALSE(std::filesystem::exists(TempFile("damaged.cab")));
    EXPECT_FALSE(Leftovers("damaged.cab"));

    // A line of 8 kbit/s: a second for each kilobyte, time enough to call it off.
    nettest::SetLink({"custom", 8, 0, 0, 0, 0});
    Resumable cancelled;
    Start(cancelled, 20000, "cancelled.cab");
    {
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        SubscribeFn(cancelled.job->Progress, [](HttpRequest* job, double) { job->Cancel(); });
    }
    Finish(cancelled);
    EXPECT_FALSE(cancelled.out.ok);
    EXPECT_FALSE(std::filesystem::exists(TempFile("cancelled.cab")));
    EXPECT_FALSE(Leftovers("cancelled.cab"));
}

TEST_F(ResumableDownloadTest, ALineThatNeverComesBackEndsAfterItsFruitlessTriesKeepingWhatArrived) {
    nettest::SetLink({"custom", 0, 0, 0, 3000, 0});
    Resumable r;
    Start(r, 10000, "kept.cab");
    {
        // The line goes away for good once the first piece is in.
        std::lock_guard<std::recursive_mutex> lock(ui.services.UILock());
        SubscribeFn(r.job->LinkWait, [](HttpRequest*, bool) { nettest::SetNetworkUp(false); });
    }
    Finish(r);
    EXPECT_FALSE(r.out.ok);
    EXPECT_EQ(r.waits, 3) << "after the drop and after the first two tries without a connection";
    EXPECT_EQ(std::filesystem::file_size(TempFile("kept.cab.partial")), 3000u);
    auto identity = net::ReadIdentity(TempFile("kept.cab.partial.info"));
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->length, 10000);
    EXPECT_EQ(identity->owner, "Vendor Notes");

    // The line is back: the next download of it goes on from there.
    nettest::SetNetworkUp(true);
    nettest::SetLink({});
    Resumable again;
    Start(again, 10000, "kept.cab");
    Finish(again);
    EXPECT_TRUE(again.out.ok);
    EXPECT_GE(again.out.progress.front(), 0.3) << "the first progress counts what was held";
    EXPECT_FALSE(Leftovers("kept.cab"));
    std::filesystem::remove(TempFile("kept.cab"));
}

// A server that answers a resumed download with a part it does not place
// right. A part from the start is only that part: the file is not whole
// until the range's total has arrived. A part that is refused (which parts
// are, is the decision table's) is a failure that leaves the bytes held.
TEST_F(ResumableDownloadTest, APartThatIsNotTheRestNeverPassesForTheWholeFile) {
    constexpr std::size_t kHeld = 400, kPart = 3000, kTotal = 10000;
    const std::string validator = "\"bytes-10000\"";
    struct Case {
        const char* what;
        std::string range;  // the Content-Range line, if any
        std::size_t partialAfter;
    } cases[] = {
        {"a part from the start", "Content-Range: bytes 0-2999/10000\r\n", kPart},
        {"a range that is no range", "Content-Range: bytes 0-2x99/10000\r\n", kHeld},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawServer raw("HTTP/1.1 206 Partial Content\r\nETag: " + validator + "\r\n" + c.range +
                      "Content-Length: " + std::to_string(kPart) + "\r\n\r\n" + Expected(kPart));
        std::ofstream(TempFile("part.cab.partial"), std::ios::binary) << Expected(kHeld);
        ASSERT_TRUE(net::WriteIdentity(TempFile("part.cab.partial.info"), {kTotal, validator, "Vendor Notes"}));
        Resumable r;
        Start(r, U16(raw.Url("/part.cab")), "part.cab");
        Finish(r);
        EXPECT_FALSE(r.out.ok);
        EXPECT_FALSE(std::filesystem::exists(TempFile("part.cab"))) << "a short file was delivered";
        const std::string held = ReadAll(TempFile("part.cab.partial"));
        EXPECT_EQ(held.size(), c.partialAfter);
        EXPECT_TRUE(held == Expected(held.size())) << "bytes that are not the file's";
        const auto identity = net::ReadIdentity(TempFile("part.cab.partial.info"));
        ASSERT_TRUE(identity);
        EXPECT_EQ(identity->length, static_cast<int64_t>(kTotal));
        net::RemovePartial(TempFile("part.cab"));
    }
}

TEST_F(InetManagerTest, SizeQueryGivesKilobytesOrNothing) {
    InetManager& inet = InetManager::Instance();
    EXPECT_EQ(inet.SizeQuery(server.Url16("/bytes/5000")), u"4");
    EXPECT_EQ(inet.SizeQuery(server.Url16("/bytes/64000000")), u"62500");  // the body is not read
    EXPECT_EQ(inet.SizeQuery(server.Url16("/chunked/5000")), u"0");
    EXPECT_EQ(inet.SizeQuery(server.Url16("/notfound")), u"");
    EXPECT_EQ(inet.SizeQuery(U16("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/")), u"");
    RawServer silent("", false);
    EXPECT_EQ(inet.SizeQuery(U16(silent.Url("/x"))), u"");
    nettest::SetNetworkUp(false);
    EXPECT_EQ(inet.SizeQuery(server.Url16("/bytes/5000")), u"");
}

// A certificate nobody vouches for: the transfer must refuse it, never trust
// the network blindly.
TEST_F(InetManagerTest, HttpsVerifiesCertificates) {
    const auto dir = nettest::DeviceRootPath() / "tls";
    std::filesystem::create_directories(dir);
    const std::string key = (dir / "key.pem").string(), cert = (dir / "cert.pem").string();
    const Captured made = RunCaptured("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1",
                                                  "-days", "1", "-keyout", key, "-out", cert});
    ASSERT_EQ(made.exitCode, 0) << "openssl (installed with the build's packages): " << made.err;

    httplib::SSLServer tls(cert.c_str(), key.c_str());
    ASSERT_TRUE(tls.is_valid());
    tls.Get("/x", [](const httplib::Request&, httplib::Response& res) { res.set_content("secret", "text/plain"); });
    const int port = tls.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { tls.listen_after_bind(); });
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/x";
    Outcome out = Run(url);
    EXPECT_EQ(out.completions, 1);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.body.empty());
    EXPECT_EQ(InetManager::Instance().SizeQuery(U16(url)), u"");
    tls.stop();
    thread.join();
}

}  // namespace
