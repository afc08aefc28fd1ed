#pragma once
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Builds cabinet files for tests with libgcab: the real format, including the
// names and contents a hostile package would carry.
namespace testing_cab {

struct CabFile {
    std::string name;  // as stored in the cabinet, unchecked
    std::string content;
};

// Writes the cabinet; throws std::runtime_error when libgcab refuses.
void WriteCab(const std::filesystem::path& target, const std::vector<CabFile>& files, bool compress = true);

// A _setup.xml for a package with the given install name, one folder with the
// given files (target name -> cabinet source) and optional extras (raw XML
// placed inside the document after the FileOperation section).
std::string SetupXml(const std::string& installName, const std::string& installDir,
                     const std::vector<std::pair<std::string, std::string>>& files, const std::string& extras = {},
                     const std::string& setupDll = {});

}  // namespace testing_cab
