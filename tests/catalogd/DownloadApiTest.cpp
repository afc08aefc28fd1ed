// Package downloads, resumption, and the files the catalog hands out URLs for.
#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "formats/PackageStatement.h"
#include "AnswerCoding.h"
#include "Db.h"
#include "Package.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

class DownloadApi : public ::testing::Test {
protected:
    TestServer server;
    std::string session = server.SignIn();

    std::string PackageFile(int appId) { return ReadWholeFile(server.PackageFile(appId)); }
    pugi::xml_node Details(Answer& a, int appId) {
        a = server.Call("appdetails", "sessionid=" + session + "&appid=" + std::to_string(appId) + "&details=0");
        return a.Root().child("appdetails").child("app");
    }
    std::string Path(const std::string& url) {
        std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
        EXPECT_EQ(url.rfind(base, 0), 0u) << url;
        return url.substr(base.size());
    }
};

TEST_F(DownloadApi, DownloadSendsThePackageAndCountsIt) {
    Answer a;
    int before = Details(a, 5).attribute("downloads").as_int();
    std::string expected = PackageFile(5);
    ASSERT_GT(expected.size(), 1000u);
    auto c = server.Client();
    auto res = c.Get("/api_download.php?sessionid=" + session + "&appid=5", {{"Accept-Encoding", "gzip, deflate"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(expected.size()));
    EXPECT_FALSE(res->has_header("Content-Encoding"));  // packages are never compressed
    EXPECT_EQ(res->body, expected);
    EXPECT_EQ(Details(a, 5).attribute("downloads").as_int(), before + 1);
}

TEST_F(DownloadApi, SizeQueryAnnouncesTheLengthWithoutCounting) {
    Answer a;
    int before = Details(a, 6).attribute("downloads").as_int();
    auto res = server.Client().Get("/download.xml?sessionid=" + session + "&appid=6&getsize=1");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(PackageFile(6).size()));
    EXPECT_EQ(Details(a, 6).attribute("downloads").as_int(), before);
}

TEST_F(DownloadApi, RangeRequestsResumeWithPartialContent) {
    Answer a;
    int before = Details(a, 7).attribute("downloads").as_int();
    std::string expected = PackageFile(7);
    auto res = server.Client().Get("/download.xml?sessionid=" + session + "&appid=7", {{"Range", "bytes=100-"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->body, expected.substr(100));
    EXPECT_EQ(res->get_header_value("Content-Range"),
              "bytes 100-" + std::to_string(expected.size() - 1) + "/" + std::to_string(expected.size()));
    EXPECT_EQ(Details(a, 7).attribute("downloads").as_int(), before);  // a resumption is no new download
    res = server.Client().Get("/download.xml?sessionid=" + session + "&appid=7", {{"Range", "bytes=0-99"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->body, expected.substr(0, 100));
}

// A client that resumes names the version it holds part of: the same file
// gets the rest, another version or a range past the end does not.
TEST_F(DownloadApi, RangesAreHonouredOnlyForTheVersionTheClientHolds) {
    Answer a;
    const std::string expected = PackageFile(2);
    const std::string size = std::to_string(expected.size());
    const std::string install = Details(a, 2).attribute("install").value();
    ASSERT_NE(install.find('/'), std::string::npos) << "package 2 is announced by URL";
    for (const std::string& path : {"/download.xml?sessionid=" + session + "&appid=2", Path(install)}) {
        SCOPED_TRACE(path);
        auto whole = server.Client().Get(path);
        ASSERT_TRUE(whole);
        const std::string etag = whole->get_header_value("ETag"), modified = whole->get_header_value("Last-Modified");
        ASSERT_EQ(etag.front(), '"') << "a strong tag";
        ASSERT_FALSE(modified.empty());
        for (const std::string& validator : {etag, modified}) {
            auto rest = server.Client().Get(path, {{"Range", "bytes=100-"}, {"If-Range", validator}});
            ASSERT_TRUE(rest);
            EXPECT_EQ(rest->status, 206);
            EXPECT_EQ(rest->body, expected.substr(100));
        }
        auto changed = server.Client().Get(path, {{"Range", "bytes=100-"}, {"If-Range", "\"another\""}});
        ASSERT_TRUE(changed);
        EXPECT_EQ(changed->status, 200);
        EXPECT_EQ(changed->body, expected);
        auto beyond = server.Client().Get(path, {{"Range", "bytes=" + size + "-"}, {"If-Range", etag}});
        ASSERT_TRUE(beyond);
        EXPECT_EQ(beyond->status, 416);
        EXPECT_EQ(beyond->get_header_value("Content-Range"), "bytes */" + size);
        EXPECT_TRUE(beyond->body.empty());
    }
}

// A client whose copy is current learns so without the body; any doubt
// (another tag, an older or unreadable date) gets the whole file. Pictures
// may be kept a while, packages are asked for every time.
TEST_F(DownloadApi, ACopyStillCurrentIsConfirmedWithoutItsBody) {
    Answer a;
    const std::string icon = Path(Details(a, 4).attribute("icon").value());
    const std::string package = "/download.xml?sessionid=" + session + "&appid=5";
    for (const auto& [path, cacheControl] :
         {std::pair{icon, "max-age=86400"}, std::pair{package, "private, no-cache"}}) {
        SCOPED_TRACE(path);
        auto whole = server.Client().Get(path);
        ASSERT_TRUE(whole);
        EXPECT_EQ(whole->get_header_value("Cache-Control"), cacheControl);
        const std::string etag = whole->get_header_value("ETag"), modified = whole->get_header_value("Last-Modified");
        const struct {
            httplib::Headers ask;
            int status;
        } cases[] = {
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
            EXPECT_EQ(res->status, c.status) << c.ask.begin()->first << ": " << c.ask.begin()->second;
            EXPECT_EQ(res->body.empty(), c.status == 304);
            if (c.status == 200) {
                EXPECT_EQ(res->body, whole->body);
            }
            EXPECT_EQ(res->get_header_value("ETag"), etag);
            EXPECT_EQ(res->get_header_value("Cache-Control"), cacheControl);
        }
    }
}

TEST_F(DownloadApi, DetailsAnnounceTheDigestOfThePackageServed) {
    for (int id : {2, 5}) {
        Answer a;
        EXPECT_EQ(Details(a, id).child("package").attribute("sha256").value(), formats::Sha256Hex(PackageFile(id))) << id;
    }
}

// A slow line on purpose: the package arrives whole but no faster than its
// rate allows, and stopping the service breaks it off half-way.
class PacedDownloadApi : public ::testing::Test {
protected:
    static constexpr int64_t kRate = 8192;
    static ServerOptions Paced() {
        ServerOptions o = TestServer::Defaults();
        o.packageRate = kRate;
        return o;
    }
    std::string Package(int appId) { return ReadWholeFile(server.PackageFile(appId)); }
    TestServer server{Paced()};
    std::string session = server.SignIn();
};

TEST_F(PacedDownloadApi, ThePackageArrivesWholeButNoFasterThanTheRate) {
    const std::string expected = Package(10);
    ASSERT_GT(expected.size(), size_t(kRate));
    const auto start = std::chrono::steady_clock::now();
    auto res = server.Client().Get("/download.xml?sessionid=" + session + "&appid=10");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(res);
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(expected.size()));
    EXPECT_EQ(res->body, expected);
    // A lower bound only: a busy machine makes it slower, never faster.
    EXPECT_GE(seconds, double(expected.size()) / kRate - 0.2);
    // The size query reads no body and is not paced into a partial answer.
    auto size = server.Client().Get("/download.xml?sessionid=" + session + "&appid=10&getsize=1");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->get_header_value("Content-Length"), std::to_string(expected.size()));
}

TEST_F(PacedDownloadApi, StoppingTheServiceCutsARunningDownloadShort) {
    const std::string expected = Package(10);
    std::mutex mutex;
    std::condition_variable arrived;
    std::string body;
    bool complete = false;
    std::thread client([&] {
        auto c = server.Client();
        auto res = c.Get(
            "/download.xml?sessionid=" + session + "&appid=10", httplib::Headers{},
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

TEST_F(DownloadApi, BothInstallFormsLeadToTheSamePackage) {
    int byUrl = 0, byName = 0;
    for (int id : {2, 3}) {
        Answer a;
        std::string install = Details(a, id).attribute("install").value();
        std::string expected = PackageFile(id);
        auto viaMethod = server.Client().Get("/download.xml?sessionid=" + session + "&appid=" + std::to_string(id));
        ASSERT_TRUE(viaMethod);
        EXPECT_EQ(viaMethod->body, expected);
        if (install.find('/') != std::string::npos) {
            ++byUrl;
            auto direct = server.Client().Get(Path(install));
            ASSERT_TRUE(direct) << install;
            EXPECT_EQ(direct->body, expected);
        } else {
            ++byName;
            EXPECT_NE(viaMethod->get_header_value("Content-Disposition").find(install), std::string::npos);
        }
    }
    EXPECT_EQ(byUrl, 1);
    EXPECT_EQ(byName, 1);
}

TEST_F(DownloadApi, IconsArePngWithAlphaAndScreenshotsDecode) {
    Answer a;
    auto res = server.Client().Get(Path(Details(a, 4).attribute("icon").value()));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->get_header_value("Content-Type"), "image/png");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, res->body.data(), res->body.size()));
    EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_ALPHA);
    image.format = PNG_FORMAT_RGBA;  // before sizing the buffer: icons may be stored with a palette
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(pixels[3], 0);                                // a transparent corner
    EXPECT_EQ(pixels[(32 * image.width + 32) * 4 + 3], 255);  // an opaque middle

    a = server.Call("appdetails", "sessionid=" + session + "&appid=15&details=1");
    int jpeg = 0;
    for (pugi::xml_node p : a.Root().child("appdetails").child("app").child("details").child("pictures").children()) {
        auto shot = server.Client().Get(Path(p.attribute("url").value()));
        ASSERT_TRUE(shot);
        if (shot->get_header_value("Content-Type") == "image/jpeg") {
            ++jpeg;
            EXPECT_EQ(shot->body.substr(0, 2), "\xFF\xD8");
        } else {
            EXPECT_EQ(shot->body.substr(1, 3), "PNG");
        }
    }
    EXPECT_GT(jpeg, 0);
}

// Compression pays only on text; a picture or a package is compressed
// already, and a range must count the file's own bytes.
TEST_F(DownloadApi, OnlyWholeTextAnswersOfSomeSizeTravelCompressed) {
    Answer a;
    const std::string icon = Path(Details(a, 4).attribute("icon").value());
    const std::string package = "/download.xml?sessionid=" + session + "&appid=5";
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
        {package, {}, false},
        {package, {{"Range", "bytes=100-"}}, false},
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

TEST_F(DownloadApi, FilesOutsideTheFilesFolderStayHidden) {
    for (const char* path : {"/files/../catalog.db", "/files/%2E%2E/catalog.db", "/files/icons/../../catalog.db",
                             "/files/", "/files/icons", "/files/nosuch.png", "/catalog.db"}) {
        auto res = server.Client().Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
    }
}

}  // namespace
}  // namespace catalogd::test
