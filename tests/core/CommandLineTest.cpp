#include <gtest/gtest.h>

#include "base/Text.h"
#include "core/Kestrum.h"

namespace {

// The link's id is what follows a ten-unit prefix, less the last two units.
TEST(CommandLine, TakesTheIdOutOfTheLink) {
    const struct { std::u16string line, id; } cases[] = {
        {u"\"tobrix://42/\"", u"42"},
        {u"0123456789" u"1234567" u"ab", u"1234567"},
        {U16("ЯЯЯЯЯЯЯЯЯЯ77/\""), u"77"},  // units, not bytes
        {u"", u""},
        {u"012345678", u""},
        {u"0123456789", u""},
        {u"0123456789x", u"x"},  // one left: too few to drop two
        {u"0123456789xy", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(AppIdFromCommandLine(c.line), c.id) << text::Utf16ToUtf8(c.line);
}

}  // namespace
