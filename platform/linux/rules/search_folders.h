// The folders the desktop-tool launcher looks in for a program. Pure text handling, kept apart from
// Qt so that it can be tested anywhere.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace linuxp {

// The absolute entries of a PATH value, in order. An empty entry, "." or any other relative entry
// names the current directory or a folder under it, where anyone could have put a program of the
// tool's name: such entries are skipped, so a program is never run from the current directory.
inline std::vector<std::string> SearchFolders(std::string_view path) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == path.npos) end = path.size();
    const std::string_view entry = path.substr(start, end - start);
    if (!entry.empty() && entry.front() == '/') folders.emplace_back(entry);
    start = end + 1;
  }
  return folders;
}

}  // namespace linuxp
