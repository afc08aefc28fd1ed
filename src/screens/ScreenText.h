#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The few text rules the store screens share: how free texts cross the wire
// and how the confirmation templates are filled.
namespace screentext {

// The service marks a line break in a free text with "--br--"; on screen it
// becomes a carriage return, which the text renderer breaks the line at.
std::u16string FromWire(std::u16string_view text);
// Line feeds become "--br--" on the way out. Carriage returns stay: the box
// the user types in never produces them, and a pasted one is the user's.
std::u16string ToWire(std::u16string_view text);
// Replaces the first `placeholder` only; a template without it is returned
// as it is.
std::u16string ReplaceFirst(std::u16string_view text, std::u16string_view placeholder, std::u16string_view value);
// A row or link with its count: "Games(12)", "Reviews(4)", no space between.
std::u16string WithCount(std::u16string_view text, int64_t count);
// "Screenshot 3:" from the title of the screenshots page ("Screenshots") and
// the zero-based picture index.
std::u16string ScreenshotCaption(std::u16string_view title, size_t index);

}  // namespace screentext
