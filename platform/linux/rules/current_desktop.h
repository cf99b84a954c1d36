// The desktop a session names in XDG_CURRENT_DESKTOP: a colon-separated list such as "ubuntu:GNOME",
// "X-Cinnamon" or "Budgie:GNOME".
#pragma once
#include <string>
#include <string_view>

namespace linuxp {

// Whether one of the list's entries is `desktop` (upper case) or "X-" and it, in any case.
inline bool NamesDesktop(std::string_view currentDesktop, std::string_view desktop) {
  std::string upper(currentDesktop);
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  size_t start = 0;
  while (start <= upper.size()) {
    size_t end = upper.find(':', start);
    if (end == std::string::npos) end = upper.size();
    const std::string_view entry = std::string_view(upper).substr(start, end - start);
    if (entry == desktop || (entry.substr(0, 2) == "X-" && entry.substr(2) == desktop)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace linuxp
