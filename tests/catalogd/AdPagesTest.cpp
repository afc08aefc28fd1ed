// The advertising strip's pages.
#include "AdPages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Catalog.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

using ::testing::HasSubstr;

TEST(AdPages, APitchIsTheFirstLineBeyondTheNameCutAtAWord) {
    AppRow chess;
    chess.name = "Chess";
    struct Case {
        std::string description;
        std::size_t limit;
        std::string pitch;
    } cases[] = {
        {"Chess by Quelt.--br--The classic game.--br--Version 2", 60, "The classic game."},
        {"Chess by Quelt.", 60, "Chess by Quelt."},
        {"", 60, ""},
        {"--br--  Moves for the bus ride home  --br--", 60, "Moves for the bus ride home"},
        {"Moves for the long bus ride home", 16, "Moves for the\u2026"},
        {"Ходы на каждый день", 10, "Ходы\u2026"},
    };
    for (const auto& c : cases) EXPECT_EQ(PitchOf(chess, c.description, c.limit), c.pitch) << c.description;
}

TEST(AdPages, EachLoadAdvertisesTheNextApplicationInWellFormedPagesOfBothLanguages) {
    TestServer server;
    TempDir scratch;
    std::vector<std::string> links;
    std::vector<std::filesystem::path> pages;
    for (const char* path : {"/ads/admob.php", "/store/ads/admob.php", "/ads/mobiledirect.php"}) {
        Answer page = server.Get(path);
        ASSERT_EQ(page.http, 200) << path;
        const size_t at = page.body.find("href=\"tobrix://");
        ASSERT_NE(at, std::string::npos) << page.body;
        links.push_back(page.body.substr(at + 6, page.body.find('"', at + 6) - at - 6));
        EXPECT_THAT(links.back(), ::testing::MatchesRegex("tobrix://[0-9]+/"));
        EXPECT_THAT(page.body, HasSubstr("<img class=\"icon\" src=\"http://127.0.0.1:"));
        EXPECT_THAT(page.body, ::testing::Not(HasSubstr("<script")));
        pages.push_back(scratch.Write("page" + std::to_string(pages.size()) + ".html", page.body));
    }
    EXPECT_NE(links[0], links[1]);
    EXPECT_THAT(ReadAll(pages[2]), HasSubstr("Открыть в Tobrix"));
    EXPECT_EQ(LintComplaints(pages, true), "");

    auto sheet = server.Client().Get("/ads/ad.css");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->status, 200);
    EXPECT_THAT(sheet->get_header_value("Content-Type"), HasSubstr("text/css"));
    EXPECT_EQ(sheet->get_header_value("Cache-Control"), "no-store");
}

}  // namespace
}  // namespace catalogd::test
