#include <gtest/gtest.h>

#include "base/Text.h"
#include "core/Kestrum.h"

namespace {

TEST(CommandLine, TakesTheIdOutOfAQuotedLink) {
    EXPECT_EQ(AppIdFromCommandLine(u"\"tobrix://42/\""), u"42");
    EXPECT_EQ(AppIdFromCommandLine(u"0123456789" u"42" u"ab"), u"42");
    EXPECT_EQ(AppIdFromCommandLine(u"0123456789" u"1234567" u"ab"), u"1234567");
}

TEST(CommandLine, ShortLinesGiveNoId) {
    EXPECT_EQ(AppIdFromCommandLine(u""), u"");
    EXPECT_EQ(AppIdFromCommandLine(u"012345678"), u"");    // nine characters
    EXPECT_EQ(AppIdFromCommandLine(u"0123456789"), u"");   // ten: nothing after the prefix
    EXPECT_EQ(AppIdFromCommandLine(u"0123456789x"), u"x"); // one left: too few to drop two
    EXPECT_EQ(AppIdFromCommandLine(u"0123456789xy"), u"");
}

TEST(CommandLine, CountsUtf16Units) {
    // A non-ASCII prefix is still ten code units.
    EXPECT_EQ(AppIdFromCommandLine(U16("ЯЯЯЯЯЯЯЯЯЯ77/\"")), u"77");
}

TEST(CommandLine, AnIdWithoutLeadingDigitsIsNoId) {
    int32_t id = -1;
    EXPECT_TRUE(text::ParseInt(AppIdFromCommandLine(u"\"tobrix:// 42abc/\""), id));
    EXPECT_EQ(id, 42);
    id = -1;
    EXPECT_FALSE(text::ParseInt(AppIdFromCommandLine(u"\"tobrix://app/\""), id));
    EXPECT_EQ(id, -1);
}

}  // namespace
