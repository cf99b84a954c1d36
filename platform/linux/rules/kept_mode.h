// The mode velmora keeps as an output's default where the desktop keeps none (a window manager without a
// display daemon): applied when velmora starts at log-in, dropped once the user sets another one elsewhere.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace linuxp {

struct KeptMode {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t frequency = 0;  // whole hertz
};

// Whether the desktop XDG_CURRENT_DESKTOP names keeps a display configuration of its own and applies it at
// log-in (GNOME and Cinnamon through their display services, Xfce's, KDE's and MATE's settings daemons,
// LXQt's monitor settings, Budgie through GNOME's daemon): there velmora keeps none, so two stores never
// disagree.
inline bool DesktopKeepsDisplays(std::string_view currentDesktop) {
  std::string upper(currentDesktop);
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  for (const char* desktop : {"GNOME", "CINNAMON", "XFCE", "KDE", "MATE", "LXQT", "BUDGIE", "UNITY"})
    if (upper.find(desktop) != std::string::npos) return true;
  return false;
}

enum class KeptModeStep { kNothing, kApply, kDrop };

// As velmora starts: the kept mode is applied where the output offers it and another is in force, and dropped
// where the output no longer offers it (never forced).
inline KeptModeStep AtStart(const std::optional<KeptMode>& kept, int32_t width, int32_t height,
                            bool offered) {
  if (!kept) return KeptModeStep::kNothing;
  if (!offered) return KeptModeStep::kDrop;
  return kept->width == width && kept->height == height ? KeptModeStep::kNothing : KeptModeStep::kApply;
}

// When the output shows another mode than the kept one, another program set it: the user's new choice, which
// velmora never undoes, so the kept mode goes.
inline KeptModeStep AfterChange(const std::optional<KeptMode>& kept, int32_t width, int32_t height) {
  return kept && (kept->width != width || kept->height != height) ? KeptModeStep::kDrop
                                                                  : KeptModeStep::kNothing;
}

}  // namespace linuxp
