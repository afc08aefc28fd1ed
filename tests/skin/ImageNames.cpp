#include "ImageNames.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

std::set<std::string> PngLiterals(std::string_view text) {
    // A name is the whole literal: "screenshot FILE.png" in a comment has no
    // quotes around it, and "a/b.png" is a path, not a pool name.
    static constexpr std::string_view kEnd = ".png\"";
    std::set<std::string> names;
    for (size_t end = text.find(kEnd); end != std::string_view::npos; end = text.find(kEnd, end + 1)) {
        size_t begin = end;
        while (begin > 0 && IsNameChar(text[begin - 1])) --begin;
        if (begin < end && begin > 0 && text[begin - 1] == '"') names.emplace(text.substr(begin, end - begin));
    }
    return names;
}

std::set<std::string> PngLiteralsUnder(const std::filesystem::path& folder) {
    static const std::set<std::string> kSourceExtensions{".cpp", ".h", ".hpp", ".cc", ".inl"};
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || !kSourceExtensions.count(entry.path().extension().string())) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        names.merge(PngLiterals(text.str()));
    }
    return names;
}
