#include "app/command_line.h"

#include "app/exit_status.h"
#include "app/number_reading.h"

namespace {

// The part of the text that starts at position s (from 1) and is at most k characters long.
std::u16string_view Sub(std::u16string_view text, int64_t s, int64_t k) {
  if (s < 1 || k < 0) throw ProgramError(kErrInvalidCall);
  if (s > static_cast<int64_t>(text.size())) return {};
  return text.substr(static_cast<size_t>(s - 1), static_cast<size_t>(k));
}

// Position (from 1) of the first or last occurrence, 0 when absent.
int64_t Position(size_t found) {
  return found == std::u16string_view::npos ? 0 : static_cast<int64_t>(found) + 1;
}

}  // namespace

bool HasModeSwitch(std::u16string_view commandLine) {
  return commandLine.find(u"/s") != std::u16string_view::npos;
}

ModeSwitch ReadModeSwitch(std::u16string_view view) {
  const auto n = static_cast<int64_t>(view.size());
  const int64_t p = Position(view.find(u"/s"));
  const int64_t f = Position(view.find(u','));
  const int64_t l = Position(view.rfind(u','));
  // The lengths count the characters before the first and the last comma, so the width and
  // height texts run on past their own comma; the reading stops there.
  ModeSwitch mode;
  mode.width = ReadInteger(Sub(view, p + 2, f - 1));
  mode.height = ReadInteger(Sub(view, f + 1, l - 1));
  mode.depth = ReadInteger(view.substr(static_cast<size_t>(l), static_cast<size_t>(n - l)));
  return mode;
}

int ErrorStatus(const RuntimeError& e) { return e.Number() == kErrInvalidCall ? kExitSyntax : kExitError; }
