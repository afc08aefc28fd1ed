#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "../core/TempDir.h"
#include "base/Text.h"
#include "core/SettingsRecord.h"

namespace {

using nlohmann::json;

const char* const kLocalization = TOBRIX_SOURCE_DIR "/data/localization.xml";

struct Result {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the real tool as its own process, feeding `input` on standard input.
class Tool : public ::testing::Test {
protected:
    Result Run(const std::vector<std::string>& args, const std::string& input = "") {
        dir.Write("stdin", input);
        std::string command = Quote(TOBRIXCTL_PATH);
        for (const auto& a : args) command += " " + Quote(a);
        command += " <" + Quote((dir / "stdin").string()) + " >" + Quote((dir / "stdout").string()) + " 2>" +
                   Quote((dir / "stderr").string());
        Result r;
        int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(dir / "stdout");
        r.err = Slurp(dir / "stderr");
        return r;
    }
    json RunJson(const std::vector<std::string>& args, const std::string& input = "") {
        Result r = Run(args, input);
        EXPECT_EQ(r.status, 0) << r.err;
        return json::parse(r.out, nullptr, false);
    }
    std::string File(const char* name) { return (dir / name).string(); }

    TempDir dir;
};

TEST_F(Tool, CmdlinePrintsTheIdText) {
    EXPECT_EQ(Run({"cmdline", "\"tobrix://1234/\""}).out, "1234\n");
    EXPECT_EQ(Run({"cmdline", "--", "-tobrix://7/\""}).out, "7\n");
    Result none = Run({"cmdline", "short"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "\n");
}

TEST_F(Tool, SettingsWrittenByTheToolAreWhatTheStoreReads) {
    json in = {{"language", "ru"}, {"osver", "wm6sp"}, {"login", "Иван"}, {"password", "p@ss word"},
               {"width", 176},     {"height", 220},    {"phone", 1},       {"irda", 0},
               {"bt", 1},          {"wifi", 0},        {"gl", 1},          {"cam", 0},
               {"cam3g", 1},       {"accel", 0},       {"gps", 1},         {"keypad", 1},
               {"sort", "views"},  {"price", "paid"},  {"keepPackagesOnCard", 1}};
    EXPECT_EQ(RunJson({"settings", "write", File("settings.dat")}, in.dump()), in);

    auto record = SettingsRecord::ReadFile(dir / "settings.dat");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->login, U16("Иван"));
    EXPECT_EQ(record->profile.width, 176);
    EXPECT_TRUE(record->profile.keypad);
    EXPECT_FALSE(record->profile.wifi);
    EXPECT_EQ(record->keepPackagesOnCard, 1);

    EXPECT_EQ(RunJson({"settings", "read", File("settings.dat")}), in);
}

TEST_F(Tool, SettingsWriteFillsDefaultsAndCutsLongTexts) {
    Result r = Run({"settings", "write", File("s.dat")}, json{{"login", std::string(120, 'a')}, {"gps", true}}.dump());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("login"), std::string::npos) << "the cut must be reported";
    json back = RunJson({"settings", "read", File("s.dat")});
    EXPECT_EQ(back["login"], std::string(99, 'a'));
    EXPECT_EQ(back["gps"], 1);
    EXPECT_EQ(back["sort"], "downloads");
    EXPECT_EQ(back["width"], 0);
}

TEST_F(Tool, BadSettingsInputWritesNothing) {
    ASSERT_EQ(Run({"settings", "write", File("s.dat")}, R"({"login":"keep"})").status, 0);
    const std::string before = Slurp(dir / "s.dat");
    for (const char* bad : {R"({"login":)", "[1,2]", R"({"wifi":2})", R"({"width":"wide"})",
                            R"({"width":4294967296})", R"({"colour":"red"})", ""}) {
        Result r = Run({"settings", "write", File("s.dat")}, bad);
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_TRUE(r.out.empty()) << bad;
        EXPECT_FALSE(r.err.empty()) << bad;
        EXPECT_EQ(Slurp(dir / "s.dat"), before) << bad;
    }
    EXPECT_EQ(Run({"settings", "write", File("fresh.dat")}, "{").status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "fresh.dat"));
}

TEST_F(Tool, SettingsReadRefusesWhatTheStoreWouldTreatAsMissing) {
    const auto good = SettingsRecord{}.Encode();
    dir.Write("short.dat", std::vector<uint8_t>(good.begin(), good.end() - 1));
    std::vector<uint8_t> foreign(good.begin(), good.end());
    foreign[0] = 0x61;
    dir.Write("foreign.dat", foreign);
    for (const char* name : {"short.dat", "foreign.dat", "absent.dat"}) {
        Result r = Run({"settings", "read", File(name)});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_TRUE(r.out.empty()) << name;
        EXPECT_NE(r.err.find("settings file missing or invalid"), std::string::npos) << name;
    }
}

TEST_F(Tool, L10nChoosesTheLanguageAsTheStoreDoes) {
    EXPECT_EQ(RunJson({"l10n", kLocalization, "6000", "--locale-id", "0419"})["text"], "Все категории");
    json fallback = RunJson({"l10n", kLocalization, "6000", "--locale-id", "0407"});
    EXPECT_EQ(fallback["language"], "en");
    EXPECT_EQ(fallback["text"], "All categories");
    EXPECT_EQ(RunJson({"l10n", kLocalization, "6000", "--locale-id", "0409", "--language", "ru"})["language"], "ru");
    EXPECT_EQ(RunJson({"l10n", kLocalization, "424242"})["text"], "STR_424242");
}

TEST_F(Tool, L10nRefusesWhatItCannotAnswer) {
    Result unknown = Run({"l10n", kLocalization, "1", "--language", "xx"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("xx"), std::string::npos);
    EXPECT_EQ(Run({"l10n", File("missing.xml"), "1"}).status, 1);
    EXPECT_NE(Run({"l10n", kLocalization, "one"}).status, 0);
    EXPECT_EQ(Run({"l10n", kLocalization, "1", "--locale-id", "russian"}).status, 1);
}

TEST_F(Tool, EverySubcommandHasHelp) {
    for (auto args : std::vector<std::vector<std::string>>{
             {"cmdline", "--help"}, {"settings", "--help"}, {"settings", "read", "--help"},
             {"settings", "write", "--help"}, {"l10n", "--help"}}) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_NE(r.out.find("Usage"), std::string::npos) << args[0];
    }
}

}  // namespace
