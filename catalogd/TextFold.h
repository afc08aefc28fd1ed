#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace catalogd {

// Lower-case form used for searching: ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic letters fold to their small forms, so "ПОГОДА" finds
// "Погода" and "MÜLLER" finds "Müller". Invalid UTF-8 becomes U+FFFD.
std::string FoldCase(std::string_view utf8);

// Length in characters (code points) of UTF-8 text.
size_t CharCount(std::string_view utf8);

}  // namespace catalogd
