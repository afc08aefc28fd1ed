#pragma once
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Cabinet files for tests, through the tree's one cabinet writer: the real
// format, including the names and contents a hostile package would carry.
namespace testing_cab {

struct CabFile {
    std::string name;  // as stored in the cabinet, unchecked
    std::string content;
};

// Writes the cabinet; throws std::runtime_error when the writer refuses.
void WriteCab(const std::filesystem::path& target, const std::vector<CabFile>& files, bool compress = true);

// A _setup.xml for a package with the given install name, one folder with the
// given files (target name -> cabinet source) and optional extras (raw XML
// placed inside the document after the FileOperation section). Names are
// escaped as XML requires; throws when `extras` is not well-formed.
std::string SetupXml(const std::string& installName, const std::string& installDir,
                     const std::vector<std::pair<std::string, std::string>>& files, const std::string& extras = {},
                     const std::string& setupDll = {});

}  // namespace testing_cab
