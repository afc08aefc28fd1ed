#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/OptionParser.h"

namespace {

std::optional<int> ParseLine(OptionParser& parser, std::vector<std::string> args) {
    args.insert(args.begin(), "program");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return parser.Parse(static_cast<int>(argv.size()), argv.data());
}

// Every rule an option may carry, on one parser; the source tree gives a
// file and a folder that exist.
std::optional<int> ParseRules(const std::vector<std::string>& args) {
    OptionParser parser("rules");
    std::string need, file, folder, a, b;
    int range = 0;
    double positive = 1;
    long nonNegative = 0;
    parser.Add("--need", need, "").Required();
    parser.Add("--range", range, "").Range(1, 8);
    parser.Add("--positive", positive, "").Positive();
    parser.Add("--non-negative", nonNegative, "").NonNegative();
    parser.Add("--file", file, "").ExistingFile();
    parser.Add("--folder", folder, "").ExistingFolder();
    parser.Add("--a", a, "").Excludes(parser.Add("--b", b, ""));
    return ParseLine(parser, args);
}

TEST(OptionParser, EachRuleRefusesWhatItForbidsAndTakesWhatItAllows) {
    const std::string source = TOBRIX_SOURCE_DIR;
    const struct {
        std::vector<std::string> args;
        bool taken;
    } cases[] = {
        {{}, false},  // --need is required
        {{"--range", "0"}, false},
        {{"--range", "8"}, true},
        {{"--range", "9"}, false},
        {{"--positive", "0"}, false},
        {{"--positive", "0.5"}, true},
        {{"--non-negative", "-1"}, false},
        {{"--non-negative", "0"}, true},
        {{"--file", source + "/no-such-file"}, false},
        {{"--file", source}, false},  // a folder is not a file
        {{"--file", source + "/Makefile"}, true},
        {{"--folder", source + "/Makefile"}, false},
        {{"--folder", source}, true},
        {{"--a", "1", "--b", "2"}, false},
        {{"--b", "2"}, true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        if (!args.empty()) args.insert(args.begin(), {"--need", "x"});
        std::optional<int> status = ParseRules(args);
        std::string line;
        for (const std::string& a : args) line += a + " ";
        if (c.taken) {
            EXPECT_FALSE(status) << line;
        } else {
            ASSERT_TRUE(status) << line;
            EXPECT_NE(*status, 0) << line;
        }
    }
}

TEST(OptionParser, OnlyTheChosenCommandRunsAndItsValuesAreBound) {
    OptionParser root("root");
    root.RequireCommand();
    bool verbose = false, firstRan = false, secondRan = false;
    std::string name, seen;
    long long count = 0, other = 7;
    root.AddFlag("--verbose", verbose, "");
    OptionParser& first = root.AddCommand("first", "");
    first.OnChosen([&] { firstRan = true; });
    OptionParser& second = root.AddCommand("second", "");
    second.Add("NAME", name, "");
    OptionParser::Option counted = second.Add("--count", count, "");
    OptionParser::Option notGiven = second.Add("--other", other, "");
    second.AddFunction("--seen", [&](const std::string& text) { seen = text; }, "");
    second.OnChosen([&] { secondRan = true; });

    EXPECT_FALSE(ParseLine(root, {"--verbose", "second", "Bob", "--count", "3", "--seen", "it"}));
    EXPECT_TRUE(verbose);
    EXPECT_TRUE(second.Chosen() && secondRan);
    EXPECT_FALSE(first.Chosen() || firstRan);
    EXPECT_EQ(name, "Bob");
    EXPECT_TRUE(counted.Given());
    EXPECT_EQ(count, 3);
    EXPECT_EQ(seen, "it");
    EXPECT_FALSE(notGiven.Given());
    EXPECT_EQ(other, 7) << "a value not given keeps its own";

    OptionParser again("again");
    again.RequireCommand();
    again.AddCommand("only", "");
    EXPECT_NE(ParseLine(again, {}).value_or(0), 0) << "a command is required";
    EXPECT_EQ(ParseLine(again, {"--help"}), std::optional<int>(0));
}

TEST(OptionParser, ACallbacksFailureLeavesParseAsItIs) {
    OptionParser root("root");
    root.AddCommand("fail", "").OnChosen([] { throw std::runtime_error("no disk"); });
    EXPECT_THROW(ParseLine(root, {"fail"}), std::runtime_error);
}

}  // namespace
