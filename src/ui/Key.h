#pragma once
#include <cstdint>

// The key record that travels down the object tree. The application maps the
// window system's keys onto these codes.
struct Key {
    enum Code : int32_t {
        Enter = 0,
        Left = 1,
        Up = 2,
        Right = 3,
        Down = 4,
        LeftSoft = 5,   // also F1
        RightSoft = 6,  // also F2
        F3 = 7,
        F4 = 8,
        Delete = 9,
        Character = 10,  // `character` holds the UTF-16 unit
    };

    int32_t code = Enter;
    char16_t character = 0;
};
