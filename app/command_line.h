#pragma once
#include <cstdint>
#include <string_view>

#include "app/runtime_error.h"

// The mode a "/s width,height,depth" switch names.
struct ModeSwitch {
  int16_t width = 0;
  int16_t height = 0;
  int16_t depth = 0;
};

// Whether the command line carries the switch at all (lower-case s only).
bool HasModeSwitch(std::u16string_view commandLine);

// Reads the switch from the whole command line. The width is the text after the first "/s" up
// to the first comma of the line, the height runs on to the last comma, the depth is what
// follows the last comma. RuntimeError 5 without a comma, 6 for a number out of range.
ModeSwitch ReadModeSwitch(std::u16string_view commandLine);

// The exit status of the "/s" path after an error.
int ErrorStatus(const RuntimeError& e);
