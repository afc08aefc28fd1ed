#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/Messages.h"

// Message boxes of programs that have no window of their own: the installer,
// the provisioning processor and the setup extensions they load. Nobody may be
// watching the emulated device, so it answers a box in this order:
//  1. from the device's scripted answers (<root>/msgbox-answers, one answer a
//     line, taken from the top and removed as they are used): tests and people
//     say in advance what the user will tap;
//  2. on the terminal, when standard input and standard error are both one;
//  3. with the box's default button.
// Every box shown is appended to <root>/msgbox.log (caption, text, answer and
// where the answer came from), so whoever scripted the answers can see what
// was asked.
namespace platform {

// Shows the box on the current device and returns the answer (IDYES, IDNO,
// IDOK, ...). Without a current device there is nobody to ask and no script:
// the default button answers.
int AskMessageBox(std::u16string_view text, std::u16string_view caption, std::uint32_t style);

// The buttons a style shows, left to right (MB_YESNO -> IDYES, IDNO).
std::vector<int> MessageBoxButtons(std::uint32_t style);
// The button that answers when nobody does (MB_DEFBUTTON1..3 of the buttons).
int DefaultMessageBoxButton(std::uint32_t style);

// "yes", "No", "OK", "cancel", ... (any case) or the answer's number ("7").
std::optional<int> ParseMessageBoxAnswer(std::string_view word);
// "yes", "no", ...; the number for an answer without a name.
std::string MessageBoxAnswerName(int answer);

// Appends answers to the current device's script. Every word is checked first:
// when one names no answer, nothing is appended and `error` says which.
bool ScriptMessageBoxAnswers(const std::vector<std::string>& words, std::string* error = nullptr);
// The answers still waiting in the script, first first.
std::vector<int> PendingMessageBoxAnswers();

std::filesystem::path MessageBoxAnswersFile();
std::filesystem::path MessageBoxLogFile();

}  // namespace platform
