#include <gtest/gtest.h>

#include <tuple>
#include <nlohmann/json.hpp>

#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "base/Text.h"
#include "core/SettingsRecord.h"

namespace {

using nlohmann::json;

const char* const kLocalization = TOBRIX_SOURCE_DIR "/data/localization.xml";

// Runs the real tool as its own process, feeding `input` on standard input.
class Tool : public ::testing::Test {
protected:
    Captured Run(const std::vector<std::string>& args, const std::string& input = "") {
        return RunCaptured(TOBRIXCTL_PATH, args, input);
    }
    json RunJson(const std::vector<std::string>& args, const std::string& input = "") {
        Captured r = Run(args, input);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return json::parse(r.out, nullptr, false);
    }
    std::string File(const char* name) { return (dir / name).string(); }

    TempDir dir;
};

TEST_F(Tool, CmdlinePrintsTheIdText) {
    EXPECT_EQ(Run({"cmdline", "\"tobrix://1234/\""}).out, "1234\n");
    EXPECT_EQ(Run({"cmdline", "--", "-tobrix://7/\""}).out, "7\n");
    Captured none = Run({"cmdline", "short"});
    EXPECT_EQ(none.exitCode, 0);
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
    EXPECT_EQ(std::tuple(record->login, record->profile.width, record->profile.keypad, record->profile.wifi,
                         record->keepPackagesOnCard),
              std::tuple(U16("Иван"), 176, true, false, 1));
    EXPECT_EQ(RunJson({"settings", "read", File("settings.dat")}), in);

    // Defaults fill what is not given; a text too long is cut, and said so.
    Captured r = Run({"settings", "write", File("s.dat")}, json{{"login", std::string(120, 'a')}, {"gps", true}}.dump());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("login"), std::string::npos) << "the cut must be reported";
    json back = RunJson({"settings", "read", File("s.dat")});
    EXPECT_EQ(std::tuple(back["login"], back["gps"], back["sort"], back["width"]),
              std::tuple(json(std::string(99, 'a')), json(1), json("downloads"), json(0)));
}

TEST_F(Tool, BadSettingsAreRefusedAndWriteNothing) {
    ASSERT_EQ(Run({"settings", "write", File("s.dat")}, R"({"login":"keep"})").exitCode, 0);
    const std::string before = ReadAll(dir / "s.dat");
    for (const char* bad : {R"({"login":)", "[1,2]", R"({"wifi":2})", R"({"width":"wide"})",
                            R"({"width":4294967296})", R"({"colour":"red"})", ""}) {
        Captured r = Run({"settings", "write", File("s.dat")}, bad);
        EXPECT_EQ(r.exitCode, 1) << bad;
        EXPECT_TRUE(r.out.empty()) << bad;
        EXPECT_FALSE(r.err.empty()) << bad;
        EXPECT_EQ(ReadAll(dir / "s.dat"), before) << bad;
    }
    EXPECT_EQ(Run({"settings", "write", File("fresh.dat")}, "{").exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "fresh.dat"));
    // What the store would treat as missing is no settings file to read either.
    const auto good = SettingsRecord{}.Encode();
    dir.Write("short.dat", std::vector<uint8_t>(good.begin(), good.end() - 1));
    for (const char* name : {"short.dat", "absent.dat"}) {
        Captured read = Run({"settings", "read", File(name)});
        EXPECT_EQ(read.exitCode, 1) << name;
        EXPECT_TRUE(read.out.empty()) << name;
        EXPECT_NE(read.err.find("settings file missing or invalid"), std::string::npos) << name;
    }
}

// Choosing the language is the localization's own (its suite); here the tool's answers.
TEST_F(Tool, L10nAnswersAsTheStoreChoosesAndRefusesWhatItCannotAnswer) {
    EXPECT_EQ(RunJson({"l10n", kLocalization, "6000", "--locale-id", "0419"})["text"], "Все категории");
    EXPECT_EQ(RunJson({"l10n", kLocalization, "6000", "--locale-id", "0409", "--language", "ru"})["language"], "ru");
    EXPECT_EQ(RunJson({"l10n", kLocalization, "424242"})["text"], "STR_424242");
    Captured unknown = Run({"l10n", kLocalization, "1", "--language", "xx"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("xx"), std::string::npos);
    EXPECT_EQ(Run({"l10n", File("missing.xml"), "1"}).exitCode, 1);
    EXPECT_NE(Run({"l10n", kLocalization, "one"}).exitCode, 0);
    EXPECT_EQ(Run({"l10n", kLocalization, "1", "--locale-id", "russian"}).exitCode, 1);
}

}  // namespace
