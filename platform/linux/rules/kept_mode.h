// The mode velmora keeps as an output's default where the desktop keeps none (a window manager without a
// display daemon): applied when velmora starts at log-in, dropped once the user sets another one elsewhere.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "current_desktop.h"

namespace linuxp {

struct KeptMode {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t frequency = 0;  // whole hertz
};

// Who keeps a choice from the menu on an X11 desktop, told from XDG_CURRENT_DESKTOP: Xfce's settings store,
// which xfsettingsd applies at log-in; MATE's monitors.xml, which its settings daemon applies at log-in (an
// outside change it never writes there itself); KDE's display daemon, which writes every change of the
// outputs into its store itself, a switch for the session only too; the desktop itself where it keeps and
// applies a display configuration of its own that velmora does not write (LXQt's monitor settings, Budgie and
// Unity through GNOME's daemon); velmora elsewhere (a window manager without a display daemon). Two stores
// never disagree: where the desktop keeps one, velmora keeps none.
enum class ChoiceKeeper { kXfconf, kMateMonitors, kKScreen, kDesktop, kVelmora };

inline ChoiceKeeper WhoKeepsChoice(std::string_view currentDesktop) {
  if (NamesDesktop(currentDesktop, "XFCE")) return ChoiceKeeper::kXfconf;
  if (NamesDesktop(currentDesktop, "MATE")) return ChoiceKeeper::kMateMonitors;
  if (NamesDesktop(currentDesktop, "KDE")) return ChoiceKeeper::kKScreen;
  for (const char* desktop : {"GNOME", "CINNAMON", "LXQT", "BUDGIE", "UNITY"})
    if (NamesDesktop(currentDesktop, desktop)) return ChoiceKeeper::kDesktop;
  return ChoiceKeeper::kVelmora;
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
