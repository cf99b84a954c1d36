// Which file a command line starts. Left to itself, CreateProcessW looks for a bare program name in
// the program's own folder and the current directory before the system folder, so a file dropped
// beside Velmora.exe would run in place of the system's program. Pure text handling, kept apart
// from the Windows calls so that it can be tested anywhere.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace win32 {

struct ProgramLaunch {
  std::u16string application;  // the full path CreateProcessW runs
  std::u16string commandLine;  // the same line with that path, quoted, as the program
};

// The program named first on the line, up to the closing quote if it starts with one, otherwise
// up to the first blank. A bare name ("Control.exe") is the file of that name in systemFolder; a
// full path ("C:\...", "\\server\...") stands as it is; any other path depends on the current
// directory or drive and is refused, as is an empty name or a missing closing quote. A name
// without an extension gets ".exe". The arguments follow as they stand.
inline std::optional<ProgramLaunch> SystemProgram(std::u16string_view commandLine,
                                                  std::u16string_view systemFolder) {
  const auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  const auto isSeparator = [](char16_t c) { return c == u'\\' || c == u'/'; };
  size_t start = 0;
  while (start < commandLine.size() && isBlank(commandLine[start])) ++start;
  std::u16string_view name, arguments;
  if (start < commandLine.size() && commandLine[start] == u'"') {
    const size_t close = commandLine.find(u'"', start + 1);
    if (close == commandLine.npos) return std::nullopt;
    name = commandLine.substr(start + 1, close - start - 1);
    arguments = commandLine.substr(close + 1);
  } else {
    size_t end = start;
    while (end < commandLine.size() && !isBlank(commandLine[end])) ++end;
    name = commandLine.substr(start, end - start);
    arguments = commandLine.substr(end);
  }
  if (name.empty() || name.find(u'"') != name.npos) return std::nullopt;

  std::u16string application;
  const bool bare = name.find_first_of(u"\\/:") == name.npos;
  const bool drivePath = name.size() >= 3 && name[1] == u':' && isSeparator(name[2]);
  const bool uncPath = name.size() >= 2 && isSeparator(name[0]) && isSeparator(name[1]);
  if (bare) {
    if (systemFolder.empty()) return std::nullopt;
    application = systemFolder;
    if (!isSeparator(application.back())) application += u'\\';
    application += name;
  } else if (drivePath || uncPath) {
    application = name;
  } else {
    return std::nullopt;
  }
  const size_t fileName = application.find_last_of(u"\\/") + 1;
  if (application.find(u'.', fileName) == application.npos) application += u".exe";
  return ProgramLaunch{application, u'"' + application + u'"' + std::u16string(arguments)};
}

}  // namespace win32
