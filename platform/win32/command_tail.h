// The command-line text after the program path, as the classic runtime hands it to programs.
// Pure text handling, kept apart from the Windows calls so that it can be tested anywhere.
#pragma once
#include <string_view>

namespace win32 {

// Skips the program path — up to the closing quote if it starts with one, otherwise up to the
// first blank — and then one blank (space or tab), if there is one. The rest is returned as it
// stands, further blanks included.
template <typename Char>
std::basic_string_view<Char> CommandTail(std::basic_string_view<Char> commandLine) {
  const auto isBlank = [](Char c) { return c == Char(' ') || c == Char('\t'); };
  size_t pos = 0;
  if (!commandLine.empty() && commandLine[0] == Char('"')) {
    const size_t close = commandLine.find(Char('"'), 1);
    pos = close == commandLine.npos ? commandLine.size() : close + 1;
  } else {
    while (pos < commandLine.size() && !isBlank(commandLine[pos])) ++pos;
  }
  if (pos < commandLine.size() && isBlank(commandLine[pos])) ++pos;
  return commandLine.substr(pos);
}

}  // namespace win32
