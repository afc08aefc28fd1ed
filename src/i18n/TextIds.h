#pragma once
#include <cstdint>

// Numbers of the localized texts that several screens show: the common
// buttons, the headings of messages and the names of the screens others lead
// back to. They are numbers of the language file and never change; a text only
// one screen shows stays next to that screen.
namespace textid {

// Buttons of messages and soft keys.
constexpr int32_t kOk = 0;
constexpr int32_t kYes = 1;
constexpr int32_t kNo = 2;
constexpr int32_t kCancel = 3;
constexpr int32_t kBack = 4;

// Headings of messages: an error, and the store's own name over information
// and questions.
constexpr int32_t kErrorTitle = 7;
constexpr int32_t kInfoTitle = 8;

// Screens named in their own title and in the back key of the screens they
// open.
constexpr int32_t kSettings = 3000;
constexpr int32_t kMainMenu = 5000;
constexpr int32_t kSearch = 9000;

}  // namespace textid
