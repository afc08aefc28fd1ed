// Packages and pictures: what a download counts, byte ranges for resuming,
// copies confirmed current without their body, and which answers travel
// compressed. (Paths out of the files folder are the request fuzzer's
// traversal seeds and HostileClients' planted links.)
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "AnswerCoding.h"
#include "formats/PackageStatement.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

class Download : public ::testing::Test {
protected:
    TestServer server;
    std::string session = server.SignIn();

    std::string PackageFile(int appId) { return ReadAll(server.PackageFile(appId)); }
    std::string Method(int appId) { return "/download.xml?sessionid=" + session + "&appid=" + std::to_string(appId); }
    std::string Attribute(int appId, const char* name) {
        Answer a;
        return server.Details(a, session, appId).attribute(name).value();
    }
    int Downloads(int appId) { return std::stoi(Attribute(appId, "downloads")); }
};

TEST_F(Download, AWholeDownloadCountsOnceAndNeverTravelsCompressed) {
    const int before = Downloads(5);
    const std::string expected = PackageFile(5);
    auto res = server.Client().Get("/api_download.php?sessionid=" + session + "&appid=5", {{"Accept-Encoding", "gzip"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(expected.size()));
    EXPECT_FALSE(res->has_header("Content-Encoding"));
    EXPECT_EQ(res->body, expected);
    EXPECT_EQ(Downloads(5), before + 1);
    // Neither the size query nor a resumption is a new download.
    auto size = server.Client().Get(Method(5) + "&getsize=1");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->get_header_value("Content-Length"), std::to_string(expected.size()));
    ASSERT_TRUE(server.Client().Get(Method(5), {{"Range", "bytes=100-"}}));
    EXPECT_EQ(Downloads(5), before + 1);
    Answer a;
    EXPECT_EQ(server.Details(a, session, 5).child("package").attribute("sha256").value(), formats::Sha256Hex(expected));
}

// Application 2 is announced by URL, 3 by name: both lead to the package.
TEST_F(Download, BothInstallFormsLeadToThePackage) {
    auto direct = server.Client().Get(server.PathOf(Attribute(2, "install")));
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->body, PackageFile(2));
    const std::string name = Attribute(3, "install");
    auto viaMethod = server.Client().Get(Method(3));
    ASSERT_TRUE(viaMethod);
    EXPECT_EQ(viaMethod->body, PackageFile(3));
    EXPECT_NE(viaMethod->get_header_value("Content-Disposition").find(name), std::string::npos) << name;
}

// A client that resumes names the version it holds part of: the same file
// gets the rest, another version or a range past the end does not, and a
// flood of ranges gets the whole file once.
TEST_F(Download, RangesResumeOnlyTheVersionTheClientHolds) {
    const std::string expected = PackageFile(2), size = std::to_string(expected.size());
    std::string many = "bytes=0-0";
    for (int i = 1; i < 500; ++i) many += "," + std::to_string(i % 50) + "-" + std::to_string(i % 50);
    for (const std::string& path : {Method(2), server.PathOf(Attribute(2, "install"))}) {
        SCOPED_TRACE(path);
        auto whole = server.Client().Get(path);
        ASSERT_TRUE(whole);
        const std::string etag = whole->get_header_value("ETag"), modified = whole->get_header_value("Last-Modified");
        ASSERT_EQ(etag.front(), '"') << "a strong tag";
        const struct {
            httplib::Headers ask;
            int status;
            std::string body, contentRange;
        } cases[] = {
            {{{"Range", "bytes=100-"}}, 206, expected.substr(100), "bytes 100-" + std::to_string(expected.size() - 1) + "/" + size},
            {{{"Range", "bytes=0-99"}}, 206, expected.substr(0, 100), "bytes 0-99/" + size},
            {{{"Range", "bytes=100-"}, {"If-Range", etag}}, 206, expected.substr(100), ""},
            {{{"Range", "bytes=100-"}, {"If-Range", modified}}, 206, expected.substr(100), ""},
            {{{"Range", "bytes=100-"}, {"If-Range", "\"another\""}}, 200, expected, ""},
            {{{"Range", "bytes=" + size + "-"}, {"If-Range", etag}}, 416, "", "bytes */" + size},
            {{{"Range", "bytes=0-9,20-29"}}, 200, expected, ""},
            {{{"Range", many}}, 200, expected, ""},
        };
        for (const auto& c : cases) {
            auto res = server.Client().Get(path, c.ask);
            ASSERT_TRUE(res);
            EXPECT_EQ(res->status, c.status) << c.ask.begin()->second.substr(0, 40);
            EXPECT_EQ(res->body, c.body) << c.ask.begin()->second.substr(0, 40);
            if (!c.contentRange.empty()) {
                EXPECT_EQ(res->get_header_value("Content-Range"), c.contentRange);
            }
        }
    }
}

// A client whose copy is current learns so without the body; any doubt
// (another tag, an older or unreadable date) gets the whole file. Pictures
// may be kept a while, packages are asked for every time.
TEST_F(Download, ACopyStillCurrentIsConfirmedWithoutItsBody) {
    const std::string icon = server.PathOf(Attribute(4, "icon"));
    for (const auto& [path, cacheControl] :
         {std::pair{icon, "max-age=86400"}, std::pair{Method(5), "private, no-cache"}}) {
        SCOPED_TRACE(path);
        auto whole = server.Client().Get(path);
        ASSERT_TRUE(whole);
        const std::string etag = whole->get_header_value("ETag"), modified = whole->get_header_value("Last-Modified");
        const struct {
            httplib::Headers ask;
            int status;
        } cases[] = {
            {{}, 200},
            {{{"If-None-Match", etag}}, 304},
            {{{"If-None-Match", "\"other\", W/" + etag}}, 304},
            {{{"If-None-Match", "*"}}, 304},
            {{{"If-Modified-Since", modified}}, 304},
            {{{"If-None-Match", etag}, {"Range", "bytes=10-"}}, 304},
            {{{"If-None-Match", "\"other\""}}, 200},
            // The tag decides when there is one, whatever the date says.
            {{{"If-None-Match", "\"other\""}, {"If-Modified-Since", modified}}, 200},
            {{{"If-Modified-Since", "Thu, 01 Jan 1970 00:00:00 GMT"}}, 200},
            {{{"If-Modified-Since", "yesterday"}}, 200},
        };
        for (const auto& c : cases) {
            auto res = server.Client().Get(path, c.ask);
            ASSERT_TRUE(res);
            const std::string asked = c.ask.empty() ? "" : c.ask.begin()->second;
            EXPECT_EQ(res->status, c.status) << asked;
            EXPECT_EQ(res->body, c.status == 304 ? "" : whole->body) << asked;
            EXPECT_EQ(res->get_header_value("ETag"), etag);
            EXPECT_EQ(res->get_header_value("Cache-Control"), cacheControl);
        }
    }
}

// Compression pays only on text; a picture or a package is compressed
// already, and a range must count the file's own bytes.
TEST_F(Download, OnlyWholeTextAnswersOfSomeSizeTravelCompressed) {
    const std::string icon = server.PathOf(Attribute(4, "icon"));
    const std::string cats = "/cats.xml?sessionid=" + session;
    const struct {
        std::string path;
        httplib::Headers extra;
        bool compressed;
    } cases[] = {
        {cats, {}, true},
        {"/ads/admob.php", {}, true},
        {"/auth.xml?login=nobody&password=x", {}, false},  // a short envelope
        {icon, {}, false},
        {Method(5), {}, false},
        {Method(5), {{"Range", "bytes=100-"}}, false},
    };
    auto raw = server.Client();
    raw.set_decompress(false);
    for (const auto& c : cases) {
        httplib::Headers headers = c.extra;
        headers.emplace("Accept-Encoding", "gzip, deflate, br");
        auto res = raw.Get(c.path, headers);
        ASSERT_TRUE(res) << c.path;
        EXPECT_EQ(res->has_header("Content-Encoding"), c.compressed) << c.path;
        if (!c.compressed && res->get_header_value("Content-Type").starts_with("text/")) {
            EXPECT_LT(res->body.size(), kCompressFrom) << c.path;
        }
    }
    // Decoded, the answer is the one a client that asks for no coding gets.
    auto plain = raw.Get(cats);
    auto decoded = server.Client().Get(cats, {{"Accept-Encoding", "gzip"}});
    ASSERT_TRUE(plain && decoded);
    EXPECT_FALSE(plain->has_header("Content-Encoding"));
    EXPECT_EQ(decoded->get_header_value("Vary"), "Accept-Encoding");
    EXPECT_EQ(decoded->body, plain->body);
}

// A slow line on purpose: stopping the service breaks a running download
// off half-way, and what arrived is the start of the package.
TEST(PacedDownload, StoppingTheServiceCutsARunningDownloadShort) {
    ServerOptions o = TestServer::Defaults();
    o.packageRate = 8192;
    TestServer server(o);
    const std::string session = server.SignIn(), expected = ReadAll(server.PackageFile(10));
    ASSERT_GT(expected.size(), 8192u);
    std::mutex mutex;
    std::condition_variable arrived;
    std::string body;
    bool complete = false;
    std::thread client([&] {
        auto res = server.Client().Get("/download.xml?sessionid=" + session + "&appid=10", httplib::Headers{},
                                       [&](const char* data, size_t n) {
                                           std::lock_guard lock(mutex);
                                           body.append(data, n);
                                           arrived.notify_all();
                                           return true;
                                       });
        std::lock_guard lock(mutex);
        complete = static_cast<bool>(res);
    });
    bool started;
    {
        std::unique_lock lock(mutex);
        started = arrived.wait_for(lock, std::chrono::seconds(30), [&] { return !body.empty(); });
    }
    server.Stop();
    client.join();
    ASSERT_TRUE(started);
    EXPECT_FALSE(complete);
    EXPECT_LT(body.size(), expected.size());
    EXPECT_EQ(body, expected.substr(0, body.size()));
}

}  // namespace
}  // namespace catalogd::test
