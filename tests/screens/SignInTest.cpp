// The sign-in screens as a person uses them: the real program, headless, on a
// devicectl device, against catalogd on loopback.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "base/Text.h"

namespace {

class SignInTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { catalog = std::make_unique<CatalogServer>(); }
    static void TearDownTestSuite() { catalog.reset(); }

    void SetUp() override { ASSERT_TRUE(catalog->Running()) << catalog->Error(); }

    // Runs the script to its end; every expect-text in it must hold.
    // The script's own checks (expect-text) end the run with their failure.
    ::testing::AssertionResult Run(const std::string& script, const std::string& base = "") {
        return Succeeded(RunStore(device, script, base.empty() ? U8(catalog->BaseUrl()) : base));
    }
    std::string Outbox() { return RunCapture(CATALOGD_PATH, {"outbox", "--db", catalog->DbPath().string()}); }
    std::string Shot(const std::string& name) { return device.Scratch(name).string(); }

    static std::unique_ptr<CatalogServer> catalog;
    StoreDevice device;
};

std::unique_ptr<CatalogServer> SignInTest::catalog;

const std::string kTypeDemo =
    "wait-idle\n"
    "tap-text Login:\ntype demo\n"
    "tap-text Password:\ntype demo\n";

TEST_F(SignInTest, FirstRunAsksToRememberThenOpensSettingsAndTheNextRunGoesStraightToTheMainMenu) {
    EXPECT_TRUE(Run(kTypeDemo +
        "key soft1\nwait-idle\n"
        "expect-text Remember your login and password on this device?\n"
        "key soft1\nwait-idle\n"
        "expect-text Settings\n"
        "key soft2\nwait-idle\n"
        "expect-text Main menu\n"
        "quit\n"));
    // Remembered: the edits come filled, and no question is asked again.
    EXPECT_TRUE(Run("wait-idle\nexpect-text demo\n"
        "key soft1\nwait-idle\n"
        "expect-text Main menu\n"
        "dump-tree " + Shot("menu.json") + "\nquit\n"));
    const auto tree = ReadTree(Shot("menu.json"));
    EXPECT_FALSE(Shows(tree, "Remember your login and password on this device?"));
}

TEST_F(SignInTest, AWrongPasswordShowsTheServicesMessageAndKeepsTheFields) {
    EXPECT_TRUE(Run("wait-idle\ntap-text Login:\ntype demo\ntap-text Password:\ntype nope\n"
        "key soft1\nwait-idle\n"
        "expect-text Error\nexpect-text Wrong login or password.\n"
        "key soft1\nwait-idle\n"
        "expect-text demo\nexpect-text Sign in\nquit\n"));
}

TEST_F(SignInTest, EmptyFieldsAndANonAsciiLoginAreRefusedBeforeAnyRequest) {
    // A catalog nobody answers at: a request would end in the 998 message.
    const std::string refused =
        "expect-text Please fill in every field. Logins and e-mail addresses may contain only Latin letters, digits and "
        "symbols.\n";
    EXPECT_TRUE(Run("wait-idle\nkey soft1\nwait-idle\n" + refused +
            "key soft1\nwait-idle\n"
            "tap-text Login:\ntype d\xC3\xA9mo\ntap-text Password:\ntype demo\n"
            "key soft1\nwait-idle\n" +
            refused + "quit\n",
        "http://127.0.0.1:9/"));
}

TEST_F(SignInTest, AnInactiveAccountGetsTheMessageFirstThenTheOfferToResendTheMail) {
    EXPECT_TRUE(Run("wait-idle\ntap-text Create an account\nwait-idle\nexpect-text Registration\n"
        "tap-text Login:\ntype newbie\ntap-text E-mail:\ntype newbie@example.org\n"
        "tap-text Password:\ntype secret\ntap-text Repeat password:\ntype secret\n"
        "key soft2\nwait-idle\n"
        "expect-text Registration complete. We have sent an activation link to your e-mail address.\n"
        "key soft1\nwait-idle\n"
        "expect-text Sign in\n"
        "tap-text Login:\ntype newbie\ntap-text Password:\ntype secret\n"
        "key soft1\nwait-idle\n"
        "expect-text Your account has not been activated yet. Please follow the link in the activation e-mail.\n"
        "expect-text Error\n"
        "key soft1\nwait-idle\n"
        "dump-tree " + Shot("offer.json") + "\n"
        "key soft1\nwait-idle\n"
        "expect-text The activation e-mail has been sent. Please follow the link in it.\n"
        "quit\n"));
    EXPECT_TRUE(Shows(ReadTree(Shot("offer.json")),
                      "Your account has not been activated yet. Please follow the link in the activation e-mail.\n\n"
                      "Send the activation e-mail again?"));
    const std::string mails = Outbox();
    size_t count = 0;
    for (size_t at = mails.find("To: newbie@example.org"); at != std::string::npos;
         at = mails.find("To: newbie@example.org", at + 1))
        ++count;
    EXPECT_EQ(count, 2u) << mails;  // the registration's and the resent one
}

TEST_F(SignInTest, RegistrationChecksRunInOrder) {
    const std::string submit = "key soft2\nwait-idle\n";
    const std::string close = "key soft1\nwait-idle\n";
    EXPECT_TRUE(Run("wait-idle\ntap-text Create an account\nwait-idle\n"
        "tap-text Login:\ntype \xD0\xBB\xD0\xBE\xD0\xB3\n" + submit +  // non-ASCII login, other fields empty
        "expect-text The login and the e-mail address may contain only Latin letters, digits and symbols.\n" + close +
        "tap-text Login:\nkey left\nkey left\nkey left\nkey delete\nkey delete\nkey delete\ntype tester\n" + submit +
        "expect-text Please fill in every field. Logins and e-mail addresses may contain only Latin letters, digits "
        "and symbols.\n" + close +
        "tap-text E-mail:\ntype name.x@host\ntap-text Password:\ntype aaa\ntap-text Repeat password:\ntype bbb\n" +
        submit + "expect-text Please enter a valid e-mail address.\n" + close +
        "tap-text E-mail:\ntype .org\n" + submit + "expect-text The passwords do not match.\n" + close + "quit\n",
        "http://127.0.0.1:9/"));
}

TEST_F(SignInTest, LeavingAsksFirstAndYesClosesTheProgram) {
    const std::string ask = "key soft2\nwait-idle\nexpect-text Do you really want to quit Tobrix?\n";
    EXPECT_TRUE(Run("wait-idle\n" + ask + "key soft2\nwait-idle\nscreenshot " + Shot("stayed.png") + "\n" + ask +
        "key soft1\nwait-idle\nscreenshot " + Shot("left.png") + "\n"));
    EXPECT_TRUE(std::filesystem::exists(Shot("stayed.png")));
    EXPECT_FALSE(std::filesystem::exists(Shot("left.png")));  // nothing ran after the program closed
}

}  // namespace
