#pragma once
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

// Image names that program text asks the image pool for: every string
// literal of the form "NAME.png" (with or without an encoding prefix such as
// u"..."), returned without the extension.
std::set<std::string> PngLiterals(std::string_view text);

// The same over every C++ source and header below `folder`.
std::set<std::string> PngLiteralsUnder(const std::filesystem::path& folder);
