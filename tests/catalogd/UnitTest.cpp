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

TEST(Base64, KnownVectorsAndRoundTrips) {
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(Base64Encode("foo"), "Zm9v");
    EXPECT_EQ(Base64Encode("\xfb\xff\xbf"), "+/+/");
    std::string out;
    ASSERT_TRUE(Base64Decode("+/+/", out));
    EXPECT_EQ(out, "\xfb\xff\xbf");
    // Padding may be left out by a careless client.
    ASSERT_TRUE(Base64Decode("Zm8", out));
    EXPECT_EQ(out, "fo");
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    ASSERT_TRUE(Base64Decode(Base64Encode(all), out));
    EXPECT_EQ(out, all);
}

TEST(Base64, RefusesWhatNoEncoderProduces) {
    std::string out = "unchanged";
    EXPECT_FALSE(Base64Decode("Zm9v!", out));
    EXPECT_FALSE(Base64Decode("Z", out));
    EXPECT_FALSE(Base64Decode("Zm 9v", out));
    EXPECT_EQ(out, "unchanged");
}

TEST(Query, DecodesAsTheClientEncodes) {
    Query q = Query::Parse("login=a%20b&pass=ab%2Bc%2F%3D&raw=x+y&stray=100%&bad=%zz&empty=&flag&login=second");
    EXPECT_EQ(*q.Find("login"), "a b");  // the first of two wins
    EXPECT_EQ(*q.Find("pass"), "ab+c/=");
    EXPECT_EQ(*q.Find("raw"), "x+y");  // "+" is not a space here
    EXPECT_EQ(*q.Find("stray"), "100%");
    EXPECT_EQ(*q.Find("bad"), "%zz");
    EXPECT_EQ(*q.Find("empty"), "");
    EXPECT_EQ(*q.Find("flag"), "");
    EXPECT_EQ(q.Find("missing"), nullptr);
}

TEST(Query, TypedReadersRefuseMalformedValues) {
    Query q = Query::Parse("n=42&neg=-7&plus=%2B3&junk=4x&big=99999999999&utf=%FF%FE&ctl=a%01b&b64=%2A&txt=" +
                           Base64Encode("line\nbreak"));
    int32_t n = 0;
    EXPECT_EQ(ReadInt(q, "n", n), Param::Ok);
    EXPECT_EQ(n, 42);
    EXPECT_EQ(ReadInt(q, "neg", n), Param::Ok);
    EXPECT_EQ(n, -7);
    EXPECT_EQ(ReadInt(q, "plus", n), Param::Ok);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(ReadInt(q, "junk", n), Param::Bad);
    EXPECT_EQ(ReadInt(q, "big", n), Param::Bad);
    EXPECT_EQ(ReadInt(q, "none", n), Param::Missing);
    std::string s;
    EXPECT_EQ(ReadText(q, "utf", s), Param::Bad);
    EXPECT_EQ(ReadText(q, "ctl", s), Param::Bad);
    EXPECT_EQ(ReadEncoded(q, "b64", s), Param::Bad);
    ASSERT_EQ(ReadEncoded(q, "txt", s), Param::Ok);  // free texts may hold line breaks
    EXPECT_EQ(s, "line\nbreak");
}

TEST(XmlWriter, EscapesAndRepairsWhatXmlCannotCarry) {
    std::string doc = XmlWriter()
                          .Start("r")
                          .Attr("a", "<&>\"' Ж\t\n")
                          .Attr("bad", std::string("x\x01y\xFFz"))
                          .Attr("nonchars", std::string("a\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD" "b"))
                          .Start("c")
                          .End()
                          .Take();
    pugi::xml_document parsed;
    ASSERT_TRUE(parsed.load_string(doc.c_str())) << doc;
    EXPECT_STREQ(parsed.child("r").attribute("a").value(), "<&>\"' Ж\t\n");
    EXPECT_STREQ(parsed.child("r").attribute("bad").value(), "x\uFFFDy\uFFFDz");
    // U+FFFE and U+FFFF are no XML characters; U+FFFD itself stays.
    EXPECT_STREQ(parsed.child("r").attribute("nonchars").value(), "a\uFFFD\uFFFD\uFFFDb");
    EXPECT_TRUE(parsed.child("r").child("c"));
}

TEST(XmlWriter, EnvelopeCarriesChildrenOnlyOnSuccess) {
    pugi::xml_document d;
    ASSERT_TRUE(d.load_string(Envelope(0, "<x/>").c_str()));
    EXPECT_TRUE(d.child("kestrum-api").child("x"));
    ASSERT_TRUE(d.load_string(Envelope(203, "<x/>").c_str()));
    EXPECT_EQ(d.child("kestrum-api").child("result").attribute("code").as_int(), 203);
    EXPECT_FALSE(d.child("kestrum-api").child("x"));
}

TEST(FoldCase, FoldsLatinGreekAndCyrillic) {
    EXPECT_EQ(FoldCase("MÜLLER Ärger"), "müller ärger");
    EXPECT_EQ(FoldCase("ПОГОДА Ёлка"), "погода ёлка");
    EXPECT_EQ(FoldCase("ŁÓDŹ ČTEČKA"), "łódź čtečka");
    EXPECT_EQ(FoldCase("ΟΔΟΣ"), "οδοσ");
    EXPECT_EQ(FoldCase("odos"), "odos");
}

TEST(MethodOfPath, ReadsBothFormsBelowAnyFolder) {
    EXPECT_EQ(MethodOfPath("/auth.xml", "api/"), "auth");
    EXPECT_EQ(MethodOfPath("/store/v1/getapps.xml", "api/"), "getapps");
    EXPECT_EQ(MethodOfPath("/api/auth_restore.php", "api/"), "auth_restore");
    EXPECT_EQ(MethodOfPath("/store/api/rate.php", "api/"), "rate");
    EXPECT_EQ(MethodOfPath("/rate.php", ""), "rate");
    EXPECT_EQ(MethodOfPath("/rate.php", "api/"), "");      // the prefix is missing
    EXPECT_EQ(MethodOfPath("/xapi/rate.php", "api/"), "");  // not a whole folder name
    EXPECT_EQ(MethodOfPath("/api/rate.xml.bak", "api/"), "");
    EXPECT_EQ(MethodOfPath("/api/pirate.php", "api/"), "");
    EXPECT_EQ(MethodOfPath("/nosuch.xml", ""), "");
}

TEST(StaticFiles, OnlyPlainRelativePathsAreServed) {
    EXPECT_TRUE(IsSafeRelativePath("icons/1.png"));
    for (const char* bad : {"", "..", "../x", "icons/../../x", "./x", "a//b", "a/", "/abs", "a\\b", "a\x01"})
        EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
}

}  // namespace
}  // namespace catalogd
