#pragma once
#include <string>
#include <string_view>

namespace catalogd {

std::string Base64Encode(std::string_view bytes);

// Standard alphabet. Padding may be present or left out; anything else that
// is not part of the alphabet (or a length no encoder produces) is refused.
bool Base64Decode(std::string_view text, std::string& out);

}  // namespace catalogd
