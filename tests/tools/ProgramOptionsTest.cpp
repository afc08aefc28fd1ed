// The command-line manners every program of the repository shares: --help
// prints a usage on standard output and exits 0; an option nobody defined is
// an error, not a file name, and leaves nothing behind.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace {

struct Program {
    const char* name;
    const char* path;
};

void PrintTo(const Program& p, std::ostream* os) { *os << p.name; }

const Program kPrograms[] = {
#include "Programs.inc"
};

// Runs the program in `dir`, where whatever it makes would show.
Captured RunIn(const std::filesystem::path& dir, const char* path, const std::vector<std::string>& args) {
    std::vector<std::string> all{"-C", dir.string(), path};
    all.insert(all.end(), args.begin(), args.end());
    return RunCaptured("/usr/bin/env", all);
}

class ProgramOptions : public ::testing::TestWithParam<Program> {
protected:
    bool WorkFolderEmpty() const { return std::filesystem::is_empty(work.Path()); }

    TempDir work;
};

TEST_P(ProgramOptions, HelpPrintsUsageOnStandardOutputAndExitsZero) {
    for (const char* help : {"--help", "-h"}) {
        Captured run = RunIn(work.Path(), GetParam().path, {help});
        EXPECT_EQ(run.exitCode, 0) << help << "\n" << run.err;
        EXPECT_NE(run.out.find("sage"), std::string::npos) << help << " printed: " << run.out;
        EXPECT_TRUE(WorkFolderEmpty()) << help << " made a file";
    }
}

TEST_P(ProgramOptions, AnUnknownOptionIsAnErrorThatMakesNothing) {
    Captured run = RunIn(work.Path(), GetParam().path, {"--no-such-option"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.exitCode, -1) << "did not start or did not exit";
    // Programs with subcommands may complain about the missing subcommand
    // first; either way the error is said on standard error.
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(WorkFolderEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryProgram, ProgramOptions, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
