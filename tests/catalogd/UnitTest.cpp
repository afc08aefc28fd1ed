// The text handling every request depends on: what the client sends must
// decode to exactly what the user typed, and what goes out must stay XML.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "Api.h"
#include "Base64.h"
#include "Query.h"
#include "StaticFiles.h"
#include "TextFold.h"
#include "XmlWriter.h"

namespace catalogd {
namespace {

TEST(Base64, KnownVectorsRoundTripsAndRefusals) {
    for (const auto& [plain, coded] : {std::pair<std::string, std::string>{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="},
                                       {"foo", "Zm9v"}, {"\xfb\xff\xbf", "+/+/"}})
        EXPECT_EQ(Base64Encode(plain), coded);
    std::string all, out;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    ASSERT_TRUE(Base64Decode(Base64Encode(all), out));
    EXPECT_EQ(out, all);
    ASSERT_TRUE(Base64Decode("Zm8", out)) << "padding may be left out by a careless client";
    EXPECT_EQ(out, "fo");
    for (const char* bad : {"Zm9v!", "Z", "Zm 9v"}) EXPECT_FALSE(Base64Decode(bad, out)) << bad;
    EXPECT_EQ(out, "fo") << "a refused value leaves the output alone";
}

TEST(Query, DecodesAsTheClientEncodesAndTypedReadersRefuseMalformedValues) {
    Query q = Query::Parse("login=a%20b&pass=ab%2Bc%2F%3D&raw=x+y&stray=100%&bad=%zz&empty=&flag&login=second"
                           "&n=42&neg=-7&plus=%2B3&junk=4x&big=99999999999&utf=%FF%FE&ctl=a%01b&b64=%2A&txt=" +
                           Base64Encode("line\nbreak"));
    // The first of two wins, and "+" is not a space here.
    for (const auto& [key, value] : {std::pair{"login", "a b"}, {"pass", "ab+c/="}, {"raw", "x+y"}, {"stray", "100%"},
                                     {"bad", "%zz"}, {"empty", ""}, {"flag", ""}})
        EXPECT_EQ(*q.Find(key), value) << key;
    EXPECT_EQ(q.Find("missing"), nullptr);
    for (const auto& [key, param, value] : {std::tuple{"n", Param::Ok, 42}, {"neg", Param::Ok, -7}, {"plus", Param::Ok, 3},
                                            {"junk", Param::Bad, 3}, {"big", Param::Bad, 3}, {"none", Param::Missing, 3}}) {
        int32_t n = 3;  // kept when refused
        EXPECT_EQ(ReadInt(q, key, n), param) << key;
        EXPECT_EQ(n, value) << key;
    }
    std::string s;
    EXPECT_EQ(ReadText(q, "utf", s), Param::Bad);
    EXPECT_EQ(ReadText(q, "ctl", s), Param::Bad);
    EXPECT_EQ(ReadEncoded(q, "b64", s), Param::Bad);
    ASSERT_EQ(ReadEncoded(q, "txt", s), Param::Ok);  // free texts may hold line breaks
    EXPECT_EQ(s, "line\nbreak");
}

TEST(XmlWriter, EscapesAndRepairsWhatXmlCannotCarryAndTheEnvelopeCarriesChildrenOnlyOnSuccess) {
    std::string doc = XmlWriter()
                          .Start("r")
                          .Attr("a", "<&>\"' Ж\t\n")
                          .Attr("bad", std::string("x\x01y\xFFz"))
                          .Attr("nonchars", std::string("a\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD" "b"))
                          .Start("c")
                          .End()
                          .Take();
    pugi::xml_document d;
    ASSERT_TRUE(d.load_string(doc.c_str())) << doc;
    EXPECT_STREQ(d.child("r").attribute("a").value(), "<&>\"' Ж\t\n");
    EXPECT_STREQ(d.child("r").attribute("bad").value(), "x\uFFFDy\uFFFDz");
    // U+FFFE and U+FFFF are no XML characters; U+FFFD itself stays.
    EXPECT_STREQ(d.child("r").attribute("nonchars").value(), "a\uFFFD\uFFFD\uFFFDb");
    EXPECT_TRUE(d.child("r").child("c"));

    ASSERT_TRUE(d.load_string(Envelope(0, "<x/>").c_str()));
    EXPECT_TRUE(d.child("kestrum-api").child("x"));
    ASSERT_TRUE(d.load_string(Envelope(203, "<x/>").c_str()));
    EXPECT_EQ(d.child("kestrum-api").child("result").attribute("code").as_int(), 203);
    EXPECT_FALSE(d.child("kestrum-api").child("x"));
}

TEST(FoldCase, FoldsLatinGreekAndCyrillic) {
    EXPECT_EQ(FoldCase("MÜLLER Ärger ПОГОДА Ёлка ŁÓDŹ ČTEČKA ΟΔΟΣ odos"), "müller ärger погода ёлка łódź čtečka οδοσ odos");
}

TEST(Paths, MethodsAreReadInBothFormsBelowAnyFolderAndOnlyPlainRelativeFilesAreServed) {
    for (const auto& [path, prefix, method] :
         {std::tuple{"/auth.xml", "api/", "auth"}, {"/store/v1/getapps.xml", "api/", "getapps"},
          {"/api/auth_restore.php", "api/", "auth_restore"}, {"/store/api/rate.php", "api/", "rate"},
          {"/rate.php", "", "rate"}, {"/rate.php", "api/", ""} /* the prefix is missing */,
          {"/xapi/rate.php", "api/", ""} /* not a whole folder name */, {"/api/rate.xml.bak", "api/", ""},
          {"/api/pirate.php", "api/", ""}, {"/nosuch.xml", "", ""}})
        EXPECT_EQ(MethodOfPath(path, prefix), method) << path;
    EXPECT_TRUE(IsSafeRelativePath("icons/1.png"));
    for (const char* bad : {"", "..", "../x", "icons/../../x", "./x", "a//b", "a/", "/abs", "a\\b", "a\x01"})
        EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
}

}  // namespace
}  // namespace catalogd
