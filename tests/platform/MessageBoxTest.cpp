#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "support/ProgramRun.h"

#include "TempRoot.h"
#include "platform/dialog/MessageBox.h"

using namespace platform;

namespace {

constexpr std::uint32_t kQuestion = MB_YESNO | MB_ICONQUESTION;

}  // namespace

class MessageBoxTest : public ::testing::Test {
protected:
    // Nobody at a terminal: unscripted boxes must take their default.
    void SetUp() override { ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr); }
    TempRoot root;
};

TEST_F(MessageBoxTest, ScriptedAnswersAreTakenInOrderThenTheDefaultButtonAnswers) {
    ASSERT_TRUE(ScriptMessageBoxAnswers({"No", " yes "}));
    ASSERT_TRUE(ScriptMessageBoxAnswers({"7"}));
    EXPECT_EQ(PendingMessageBoxAnswers(), (std::vector<int>{IDNO, IDYES, IDNO}));

    EXPECT_EQ(AskMessageBox(u"Keep?", u"Info", kQuestion), IDNO);
    EXPECT_EQ(AskMessageBox(u"Keep?", u"Info", kQuestion), IDYES);
    EXPECT_EQ(AskMessageBox(u"Keep?", u"Info", kQuestion), IDNO);
    EXPECT_TRUE(PendingMessageBoxAnswers().empty());
    EXPECT_EQ(AskMessageBox(u"Keep?", u"Info", kQuestion), IDYES);
    EXPECT_EQ(AskMessageBox(u"Keep?", u"Info", kQuestion | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(AskMessageBox(u"Done.", u"Info", MB_OK), IDOK);
    // An answer that is no button of its box is used up; the default answers.
    ASSERT_TRUE(ScriptMessageBoxAnswers({"cancel", "no"}));
    EXPECT_EQ(AskMessageBox(u"Keep?", u"Info", kQuestion), IDYES);
    EXPECT_EQ(AskMessageBox(u"Keep?", u"Info", kQuestion), IDNO);

    EXPECT_EQ(ReadAll(MessageBoxLogFile()),
              "Info\tKeep?\tno\tscript\nInfo\tKeep?\tyes\tscript\nInfo\tKeep?\tno\tscript\n"
              "Info\tKeep?\tyes\tdefault\nInfo\tKeep?\tno\tdefault\nInfo\tDone.\tok\tdefault\n"
              "Info\tKeep?\tyes\tdefault (scripted \"cancel\" does not fit)\nInfo\tKeep?\tno\tscript\n");
}

TEST_F(MessageBoxTest, ABadScriptIsRefusedWholeAndWithoutADeviceTheDefaultAnswers) {
    ASSERT_TRUE(ScriptMessageBoxAnswers({"yes"}));
    std::string error;
    EXPECT_FALSE(ScriptMessageBoxAnswers({"no", "maybe"}, &error));
    EXPECT_NE(error.find("maybe"), std::string::npos);
    EXPECT_FALSE(ScriptMessageBoxAnswers({"0"}));
    EXPECT_FALSE(ScriptMessageBoxAnswers({"-6"}));
    EXPECT_EQ(PendingMessageBoxAnswers(), (std::vector<int>{IDYES}));

    ClearCurrentDevice();
    EXPECT_EQ(AskMessageBox(u"Retry?", u"Error", MB_RETRYCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_FALSE(ScriptMessageBoxAnswers({"yes"}));
}

TEST_F(MessageBoxTest, TextsCannotForgeLogLines) {
    EXPECT_EQ(AskMessageBox(u"one\nInfo\tfake\tno\tscript", u"In\tfo", kQuestion), IDYES);
    std::string log = ReadAll(MessageBoxLogFile());
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\t'), 3) << log;
}
